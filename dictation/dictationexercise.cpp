#include "dictation/dictationexercise.h"

#include "audio/mediaplayer.h"

#include <algorithm>

void DictationExercise::setLesson(SentenceTable table)
{
    m_table = std::move(table);
    m_currentSentence = 0;
    m_watching = false;
}

bool DictationExercise::next()
{
    const int last = std::max(m_table.count() - 1, 0);
    if (m_currentSentence >= last) {
        m_currentSentence = last;
        return false;
    }
    ++m_currentSentence;
    return true;
}

bool DictationExercise::previous()
{
    if (m_currentSentence <= 0) {
        m_currentSentence = 0;
        return false;
    }
    --m_currentSentence;
    return true;
}

bool DictationExercise::setCurrentSentence(int i)
{
    if (i < 0 || i >= m_table.count()) {
        return false;
    }
    m_currentSentence = i;
    return true;
}

void DictationExercise::playCurrent()
{
    // Without a sentence every time reads 0 and no end would ever stop the whole recording.
    if (m_currentSentence < 0 || m_currentSentence >= m_table.count()) {
        return;
    }
    // The end goes in first: a sentence changed during playback must not be cut by the end of
    // the one it replaces. An empty end time runs on to the end of the recording.
    const double end = m_table.endPosition(m_currentSentence);
    m_player.setEndPosition(m_table.endText(m_currentSentence).isEmpty() ? -1.0
                                                                         : std::max(end, 0.0));
    m_player.controls().setCurrentPosition(m_table.startTime(m_currentSentence));
    m_player.controls().play();
    m_watching = true;
}

void DictationExercise::checkSentenceEnd()
{
    if (!m_watching) {
        return;
    }
    if (m_table.isPastEnd(m_currentSentence, m_player.controls().currentPosition())) {
        m_player.controls().stop();
        m_watching = false;
    }
}
