#pragma once

#include "lessons/starredsentences.h"

#include <QList>

// A list of sentences from any lessons, dictated in the order given instead of one lesson's
// sentences: where the learner stands in it. Moving skips the sentences the window could not
// open (a lesson imported anew since may hold fewer), as the window's `opens` tells.
class DictationQueue
{
public:
    void setSentences(const QList<StarredSentence>& sentences);
    void clear() { setSentences({}); }
    bool isActive() const { return !m_sentences.isEmpty(); }

    // Moves one sentence on (+1) or back (-1) to the next one `opens` accepts; false, standing
    // where it was, when there is none that way.
    template <typename Opens> bool step(int direction, Opens opens)
    {
        for (qsizetype at = m_at + direction; at >= 0 && at < m_sentences.size(); at += direction) {
            if (opens(m_sentences[at])) {
                m_at = at;
                return true;
            }
        }
        return false;
    }
    // Whether there are sentences past the current one that way (not all may open).
    bool hasMore(int direction) const;
    const StarredSentence& current() const { return m_sentences[m_at]; }
    qsizetype position() const { return m_at; } // 0-based
    qsizetype size() const { return m_sentences.size(); }

private:
    QList<StarredSentence> m_sentences;
    qsizetype m_at = -1;
};
