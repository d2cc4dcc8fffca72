#include "dictation/dictationqueue.h"

void DictationQueue::setSentences(const QList<StarredSentence>& sentences)
{
    m_sentences = sentences;
    m_at = -1;
}

bool DictationQueue::hasMore(int direction) const
{
    const qsizetype next = m_at + direction;
    return next >= 0 && next < m_sentences.size();
}
