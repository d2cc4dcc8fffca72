#include "sentencetable.h"

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

double Val(const QString& text)
{
    QString number;
    bool seenPoint = false;
    bool seenDigit = false;
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
            seenDigit = true;
            number += c;
        } else {
            break;
        }
    }
    if (!seenDigit) {
        return 0.0;
    }
    return number.toDouble();
}
