#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The sentence table of a loaded lesson: parallel lists, item i of each belonging to sentence i
// in stored order. The times are kept as stored, for showing, and as numbers read once when
// the row is added (TimeText::seconds), for everything else.
struct SentenceTable
{
    QStringList sentences;    // English sentence
    QStringList translations; // Chinese translation
    QStringList startTimes;   // start time, seconds as stored
    QStringList endTimes;     // end time, seconds as stored; "" for the last sentence

    int count() const { return int(sentences.size()); }
    bool isEmpty() const { return sentences.isEmpty(); }
    void clear();
    void append(const QString& sentence, const QString& translation, const QString& start,
                const QString& end);

    // Reading outside a list's items gives "", and times of 0 with no end.
    static QString item(const QStringList& list, int index);
    QString sentence(int i) const { return item(sentences, i); }
    QString translation(int i) const { return item(translations, i); }
    QString startText(int i) const { return item(startTimes, i); }
    QString endText(int i) const { return item(endTimes, i); }
    double startTime(int i) const { return isRow(i) ? m_times[i].start : 0.0; }
    // Where playback of sentence i is to stop by itself; -1 for an empty end time, which
    // never stops playback.
    double endPosition(int i) const { return isRow(i) ? m_times[i].end : -1.0; }
    // The end check: the position lies strictly past sentence i's end time, which is not
    // empty. A position exactly at the end time does not count.
    bool isPastEnd(int i, double position) const;

    // Sentence i has no unusable time (TimeText::isUnusable), so a click may play it. A row
    // outside the table reads as empty times and is playable: it runs the recording from 0.
    bool hasUsableTimes(int i) const { return !isRow(i) || m_times[i].usable; }
    // A reading can play sentence i from a recording of `mediaSeconds`: usable times, an end
    // after the start (or none), and a start inside the recording.
    bool isReadable(int i, double mediaSeconds) const;

    // The sentence a click on a display line selects. `paragraph` is the whole paragraph
    // the line belongs to, so every line of a wrapped sentence selects that sentence; failing
    // an exact match, the first sentence that contains the line or is contained in it.
    // count() when nothing matches. An empty sentence matches nothing.
    int sentenceForLine(const QString& paragraph, const QString& line) const;

private:
    struct Times
    {
        double start = 0;
        double end = -1; // -1: no end
        bool usable = true;
    };
    bool isRow(int i) const { return i >= 0 && i < m_times.size(); }

    QList<Times> m_times;
};
