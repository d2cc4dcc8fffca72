#include "lessons/sentencetable.h"

#include "lessons/timetext.h"

void SentenceTable::clear()
{
    sentences.clear();
    translations.clear();
    startTimes.clear();
    endTimes.clear();
    m_times.clear();
}

void SentenceTable::append(const QString& sentence, const QString& translation,
                           const QString& start, const QString& end)
{
    sentences.append(sentence);
    translations.append(translation);
    startTimes.append(start);
    endTimes.append(end);
    m_times.append({TimeText::seconds(start), end.isEmpty() ? -1.0 : TimeText::seconds(end),
                    !TimeText::isUnusable(start) && !TimeText::isUnusable(end)});
}

QString SentenceTable::item(const QStringList& list, int index)
{
    return index >= 0 && index < list.size() ? list.at(index) : QString();
}

bool SentenceTable::isPastEnd(int i, double position) const
{
    return isRow(i) && !endTimes[i].isEmpty() && m_times[i].end < position;
}

bool SentenceTable::isReadable(int i, double mediaSeconds) const
{
    if (!isRow(i) || !m_times[i].usable || m_times[i].start >= mediaSeconds) {
        return false;
    }
    return endTimes[i].isEmpty() || m_times[i].end > m_times[i].start;
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
