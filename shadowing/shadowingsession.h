#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

// Shadowing, sentence by sentence: the sentence plays, the learner says it after it while it
// is recorded for as long as it was heard plus a second, the take plays back, and the next
// sentence follows. Comparing plays a sentence and then its take.
//
// The session decides what comes next; the sound itself goes through the Devices it is given,
// which report back through originalFinished(), takeFinished() and playbackFailed(). Takes are
// kept per sentence as files in takeFolder() until clearTakes().
class ShadowingSession : public QObject
{
    Q_OBJECT
public:
    enum class Step { Idle, PlayingOriginal, Recording, PlayingTake };
    Q_ENUM(Step)
    enum class Mode { Shadowing, Comparing };
    // What went wrong: nothing to start from, the microphone or the take's file, or the sound
    // output (which the lesson player's owner may have reported already).
    enum class Failure { CannotStart, Recording, Output };
    Q_ENUM(Failure)

    struct Devices
    {
        std::function<bool(int sentence)> playOriginal; // false: nothing could start
        std::function<bool(const QString& path)> startRecording;
        std::function<double()> recordedSeconds;
        // Ends the take, cut to at most the given seconds; false: no take was written.
        std::function<bool(double seconds)> stopRecording;
        std::function<bool(const QString& path)> playTake;
        std::function<void()> stopAll;        // silences players and abandons a recording
        std::function<QString()> deviceError; // why the last device call failed, in Chinese
        // The sentence's length as the learner hears it, at the chosen speed.
        std::function<double(int sentence)> heardSeconds;
    };

    // What the learner gets after the sentence to say it: the recording runs this much longer
    // than the sentence was heard.
    static constexpr double extraSeconds = 1.0;
    // A recording that delivers nothing is given up this long after it should have ended.
    static constexpr int stallMs = 1500;

    explicit ShadowingSession(Devices devices, QObject* parent = nullptr);
    ~ShadowingSession() override;

    void setTakeFolder(const QString& folder);
    QString takeFolder() const { return m_folder; }

    // Shadows the given sentences in order. False, with failed() emitted, when the take folder
    // cannot be written.
    bool start(const QList<int>& sentences);
    // Plays the sentence and then its take; false (and failed()) when there is no take.
    bool compare(int sentence);
    // While held, shadowing goes round the sentence it is at (play, record, play the take)
    // instead of moving on; let go, it moves on after the current round.
    void setHoldSentence(bool hold) { m_hold = hold; }
    bool holdsSentence() const { return m_hold; }
    // Ends whatever runs, at any step; a take being recorded is dropped.
    void stop();

    Step step() const { return m_step; }
    Mode mode() const { return m_mode; }
    bool isActive() const { return m_step != Step::Idle; }
    int sentence() const { return m_current < m_queue.size() ? m_queue.value(m_current) : -1; }
    QString takeFile(int sentence) const { return m_takes.value(sentence); }
    bool hasTake(int sentence) const { return m_takes.contains(sentence); }
    // Removes every take: another lesson has been opened.
    void clearTakes();

    // The device reports.
    void originalFinished();
    void takeFinished();
    void playbackFailed();

signals:
    void stepChanged(ShadowingSession::Step step, int sentence);
    void takeRecorded(int sentence, const QString& path);
    // The session ended by itself after its last step, or by stop().
    void finished();
    // Something failed; the message is for the learner. A running session then ends, and
    // finished() follows.
    void failed(ShadowingSession::Failure failure, const QString& message);

private:
    // False when the session was stopped by a receiver of the step's signal.
    bool enter(Step step);
    void playOriginal();
    void startRecording();
    void pollRecording();
    void finishRecording();
    void playTake();
    void next();
    void end();
    void fail(Failure failure, const QString& message);
    QString pathFor(int sentence) const;

    Devices m_devices;
    QString m_folder;
    QList<int> m_queue;
    qsizetype m_current = 0;
    Step m_step = Step::Idle;
    Mode m_mode = Mode::Shadowing;
    QHash<int, QString> m_takes;
    QTimer m_poll;
    QElapsedTimer m_recordClock;
    double m_recordSeconds = 0;
    bool m_hold = false;
};
