#pragma once

#include <QString>
#include <QStringList>

// The leading-number parse every time goes through: the longest leading decimal number,
// blanks ignored; text without a leading number gives 0.
double secondsFromText(const QString& text);

// The sentence table of a loaded lesson: four parallel lists, item i of each belonging to
// sentence i in stored order. Times stay text, as stored, and are read with Val at each use.
struct SentenceTable
{
    QStringList sentences;    // English sentence
    QStringList translations; // Chinese translation
    QStringList startTimes;   // start time, seconds as text
    QStringList endTimes;     // end time, seconds as text; "" for the last sentence

    int count() const { return int(sentences.size()); }
    bool isEmpty() const { return sentences.isEmpty(); }
    void clear();
    void append(const QString& sentence, const QString& translation, const QString& start,
                const QString& end);

    // Reading outside a list's items gives "".
    static QString item(const QStringList& list, int index);
    QString sentence(int i) const { return item(sentences, i); }
    QString translation(int i) const { return item(translations, i); }
    QString startText(int i) const { return item(startTimes, i); }
    QString endText(int i) const { return item(endTimes, i); }
    double startTime(int i) const { return secondsFromText(startText(i)); }
    // Where playback of sentence i is to stop by itself; -1 for an empty end time, which
    // never stops playback.
    double endPosition(int i) const;
    // The end check: the position lies strictly past sentence i's end time, which is not
    // empty. A position exactly at the end time does not count.
    bool isPastEnd(int i, double position) const;

    // A stored time that is there but cannot be one: no leading number, or a negative one.
    // An empty text is no such time: it reads as 0, and as an end it means "to the end".
    static bool isUnusableTime(const QString& text);
    // Sentence i has no unusable time, so a click may play it. A row outside the table
    // reads as empty times and is playable: it runs the recording from 0.
    bool hasUsableTimes(int i) const;
    // A reading can play sentence i from a recording of `mediaSeconds`: usable times, an end
    // after the start (or none), and a start inside the recording.
    bool isReadable(int i, double mediaSeconds) const;

    // The sentence a click on a display line selects. `paragraph` is the whole paragraph
    // the line belongs to, so every line of a wrapped sentence selects that sentence; failing
    // an exact match, the first sentence that contains the line or is contained in it.
    // count() when nothing matches. An empty sentence matches nothing.
    int sentenceForLine(const QString& paragraph, const QString& line) const;
};
