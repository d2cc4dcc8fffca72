#include "sentencetable.h"

namespace {

// The leading-number parse behind secondsFromText; `found` tells whether there was a number at all.
double leadingNumber(const QString& text, bool& found)
{
    QString number;
    bool seenPoint = false;
    found = false;
    for (const QChar c : text) {
        if (c == u' ' || c == u'\t') {
            continue;
        }
        if ((c == u'-' || c == u'+') && number.isEmpty()) {
            number += c;
        } else if (c == u'.' && !seenPoint) {
            seenPoint = true;
            number += c;
        } else if (c >= u'0' && c <= u'9') {
            found = true;
            number += c;
        } else {
            break;
        }
    }
    return found ? number.toDouble() : 0.0;
}

} // namespace

void SentenceTable::clear()
{
    sentences.clear();
    translations.clear();
    startTimes.clear();
    endTimes.clear();
}

void SentenceTable::append(const QString& sentence, const QString& translation,
                           const QString& start, const QString& end)
{
    sentences.append(sentence);
    translations.append(translation);
    startTimes.append(start);
    endTimes.append(end);
}

QString SentenceTable::item(const QStringList& list, int index)
{
    return index >= 0 && index < list.size() ? list.at(index) : QString();
}

double SentenceTable::endPosition(int i) const
{
    const QString end = endText(i);
    return end.isEmpty() ? -1.0 : secondsFromText(end);
}

bool SentenceTable::isPastEnd(int i, double position) const
{
    const QString end = endText(i);
    return !end.isEmpty() && secondsFromText(end) < position;
}

bool SentenceTable::isUnusableTime(const QString& text)
{
    if (text.isEmpty()) {
        return false;
    }
    bool found = false;
    const double seconds = leadingNumber(text, found);
    return !found || seconds < 0;
}

bool SentenceTable::hasUsableTimes(int i) const
{
    return !isUnusableTime(startText(i)) && !isUnusableTime(endText(i));
}

bool SentenceTable::isReadable(int i, double mediaSeconds) const
{
    if (i < 0 || i >= count() || !hasUsableTimes(i) || startTime(i) >= mediaSeconds) {
        return false;
    }
    return endText(i).isEmpty() || secondsFromText(endText(i)) > startTime(i);
}

int SentenceTable::sentenceForLine(const QString& paragraph, const QString& line) const
{
    for (int i = 0; i < count(); ++i) {
        if (!sentences[i].isEmpty() && sentences[i] == paragraph) {
            return i;
        }
    }
    // The last line of a paragraph reads back with its closing break.
    const QString text = line.endsWith(u'\r') ? line.chopped(1) : line;
    for (int i = 0; i < count(); ++i) {
        if (!sentences[i].isEmpty() &&
            (sentences[i].contains(text) || text.contains(sentences[i]))) {
            return i;
        }
    }
    return count();
}

double secondsFromText(const QString& text)
{
    bool found = false;
    return leadingNumber(text, found);
}
