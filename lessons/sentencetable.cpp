#include "sentencetable.h"

namespace {

// The leading-number parse behind Val; `found` tells whether there was a number at all.
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
    List1.clear();
    List2.clear();
    List3.clear();
    List4.clear();
}

void SentenceTable::append(const QString& sentence, const QString& translation,
                           const QString& start, const QString& end)
{
    List1.append(sentence);
    List2.append(translation);
    List3.append(start);
    List4.append(end);
}

QString SentenceTable::item(const QStringList& list, int index)
{
    return index >= 0 && index < list.size() ? list.at(index) : QString();
}

double SentenceTable::endPosition(int i) const
{
    const QString end = endText(i);
    return end.isEmpty() ? -1.0 : Val(end);
}

bool SentenceTable::isPastEnd(int i, double position) const
{
    const QString end = endText(i);
    return !end.isEmpty() && Val(end) < position;
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
    return endText(i).isEmpty() || Val(endText(i)) > startTime(i);
}

int SentenceTable::sentenceForLine(const QString& paragraph, const QString& line) const
{
    for (int i = 0; i < count(); ++i) {
        if (!List1[i].isEmpty() && List1[i] == paragraph) {
            return i;
        }
    }
    // The last line of a paragraph reads back with its closing break.
    const QString text = line.endsWith(u'\r') ? line.chopped(1) : line;
    for (int i = 0; i < count(); ++i) {
        if (!List1[i].isEmpty() && (List1[i].contains(text) || text.contains(List1[i]))) {
            return i;
        }
    }
    return count();
}

double Val(const QString& text)
{
    bool found = false;
    return leadingNumber(text, found);
}
