#include "dictationexercise.h"

#include "mediaplayer.h"

#include <algorithm>

void DictationExercise::setLesson(SentenceTable lists)
{
    m_lists = std::move(lists);
    CurrentSentence = 0;
    Timer1 = false;
}

bool DictationExercise::next()
{
    const int last = std::max(m_lists.count() - 1, 0);
    if (CurrentSentence >= last) {
        CurrentSentence = last;
        return false;
    }
    ++CurrentSentence;
    return true;
}

bool DictationExercise::previous()
{
    if (CurrentSentence <= 0) {
        CurrentSentence = 0;
        return false;
    }
    --CurrentSentence;
    return true;
}

void DictationExercise::playCurrent()
{
    // Without a sentence every time reads 0 and no end would ever stop the whole recording.
    if (CurrentSentence < 0 || CurrentSentence >= m_lists.count()) {
        return;
    }
    const QString end = m_lists.endText(CurrentSentence);
    // The end goes in first: a sentence changed during playback must not be cut by the end of
    // the one it replaces. An empty end time runs on to the end of the recording.
    m_player.setEndPosition(end.isEmpty() ? -1.0 : std::max(Val(end), 0.0));
    m_player.controls().setCurrentPosition(m_lists.startTime(CurrentSentence));
    m_player.controls().play();
    Timer1 = true;
}

void DictationExercise::checkSentenceEnd()
{
    if (!Timer1) {
        return;
    }
    const QString end = m_lists.endText(CurrentSentence);
    if (!end.isEmpty() && Val(end) < m_player.controls().currentPosition()) {
        m_player.controls().stop();
        Timer1 = false;
    }
}
