#pragma once

#include "lessons/sentencetable.h"
#include "reading/sentenceprogress.h"

#include <QObject>
#include <memory>

class MediaPlayer;
class PracticeSettings;
class SentencePlayer;

// How the open lesson is read to the learner: one sentence from its start to its end time, its
// repeats with the learner's gap between them, and the whole lesson sentence after sentence with
// a second's pause. No widgets: the window shows what the
// signals say and calls the operations; the player is reached through SentencePlayer, whose
// reports come back through endReached(), followOnStarted(), playStateChanged(), outputFailed()
// and outputRestored().
//
// Pauses and repeats run in the player itself (a follow-on after silence), so they are exact to
// the frame and the window never blocks. A sentence ends when the player stops at its end time;
// the end check then confirms it, acting only on playback this reading started ("watching").
class LessonReading : public QObject
{
    Q_OBJECT
public:
    // Reads through the lesson's player.
    LessonReading(MediaPlayer& player, const PracticeSettings& practice, QObject* parent = nullptr);
    LessonReading(SentencePlayer& player, const PracticeSettings& practice,
                  QObject* parent = nullptr);
    ~LessonReading() override;

    // A new lesson (or none): nothing current, nothing read, nothing watched.
    void setLesson(SentenceTable table);
    const SentenceTable& table() const { return m_table; }

    // The current sentence, -1 for none; it may be the sentence count after a click on a line
    // that matches no sentence.
    int current() const { return m_current; }
    void setCurrent(int i);
    // The current sentence, its play while it repeats and the learner's turn in the gap.
    SentenceProgress progress() const;
    bool isReadingLesson() const { return m_readingLesson; }
    // A sentence played outside a reading has repeats still to come.
    bool isRepeating() const { return m_repeatingClicked; }
    // The one-second pause between two sentences of a reading, or a pause between repeats.
    bool isPausing() const { return m_pausing; }
    bool isWatching() const { return m_watching; }
    // Playback that follows belongs to someone else (shadowing, the import dialog).
    void stopWatching() { m_watching = false; }
    // A lost output was reported and no sound has been heard since.
    bool hasReportedOutputLoss() const { return m_outputLossReported; }

    // Plays sentence i from its start to its end time; a sentence with an unusable time is not
    // played and stops what plays.
    void playSentence(int i);
    // Makes i the current sentence and plays it, with the chosen repeats (a click, "朗  读").
    void playCurrent(int i);
    // Makes i the current sentence; a sentence still playing goes on and now ends where i ends,
    // and repeats end ("上一句", "下一句").
    void moveTo(int i);
    // Reads the lesson from its first playable sentence; says why when it cannot.
    void startLessonReading();
    void stopLessonReading();
    // The stop command: ends a reading, or stops a sentence and its repeats where they are.
    void stop();
    void endRepeats();
    // The end check.
    void checkSentenceEnd();

    // The player's reports.
    void endReached();
    void followOnStarted();
    void playStateChanged(bool playing);
    void outputFailed();
    void outputRestored();

signals:
    // A reading or shadowing moved on to sentence i: mark it and show its texts.
    void sentenceReached(int i);
    void readingStarted();
    // The current sentence, its play or the learner's turn changed: see progress().
    void progressChanged();
    // The reading ended (read through, stopped, or nothing left to play): nothing is current.
    void readingFinished();
    void repeatsStarted();
    void repeatsEnded();
    // The last sentence a reading can play was heard to its end.
    void lessonHeardToEnd();
    // The sound output failed; once for each outage.
    void outputLost();
    // Sound was heard again after outputLost(); once for each outage.
    void outputBack();
    // A reading could not start; the message is for the learner.
    void cannotRead(const QString& message);

private:
    int nextReadingSentence(int after) const;
    void queueNextSentence();
    void startRepeats();
    void queueFollowOn();
    double repeatGap(int i) const;
    bool wasHeardToEnd() const;
    void finishLessonReading();

    std::unique_ptr<SentencePlayer> m_ownPlayer;
    SentencePlayer& m_player;
    const PracticeSettings& m_practice;
    SentenceTable m_table;
    int m_current = -1;
    bool m_readingLesson = false;
    bool m_watching = false;
    bool m_pausing = false;
    int m_followOnSentence = -1;    // the sentence the player goes on with after the pause
    int m_timesLeft = 0;            // plays of the current sentence still to come; -1: no end
    bool m_followOnRepeats = false; // the queued follow-on is the same sentence again
    bool m_repeatingClicked = false;
    int m_play = 0;  // which play of the current sentence sounds while it repeats, else 0
    int m_plays = 1; // the plays chosen when its repeats began
    bool m_outputLossReported = false;
};
