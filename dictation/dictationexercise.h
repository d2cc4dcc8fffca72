#pragma once

#include "lessons/sentencetable.h"

class MediaPlayer;

// The dictation window's sentence state over the shared player: which sentence is current,
// playing it from its start to its end time, and the end check for playback this window
// started. The player stops itself at the end time; the end check only confirms it and ends
// the watch, so playback started by the study window is never acted on here.
class DictationExercise
{
public:
    explicit DictationExercise(MediaPlayer& player) : m_player(player) {}

    // A new lesson (or none): sentence 0, nothing watched.
    void setLesson(SentenceTable table);
    void clear() { setLesson({}); }
    const SentenceTable& table() const { return m_table; }
    int currentSentence() const { return m_currentSentence; }

    // Move one sentence on or back; false when already at the last or the first sentence,
    // where the index stays. A lesson without sentences stays at 0.
    bool next();
    bool previous();
    // Makes sentence i current; false, with nothing changed, when the lesson has no sentence i.
    bool setCurrentSentence(int i);

    // Plays the current sentence; a sentence outside the lists plays nothing.
    void playCurrent();
    // The end check, run whenever the player stops by itself.
    void checkSentenceEnd();
    // Whether this window watches the running playback: only a sentence it started is ended
    // by its end check.
    bool isWatching() const { return m_watching; }
    void stopWatching() { m_watching = false; }

    QString answer() const { return m_table.sentence(m_currentSentence); }
    QString translation() const { return m_table.translation(m_currentSentence); }

private:
    MediaPlayer& m_player;
    SentenceTable m_table;
    int m_currentSentence = 0;
    bool m_watching = false;
};
