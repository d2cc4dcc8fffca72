#pragma once

#include "audio/decodedaudio.h"
#include "audio/framesource.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <memory>

class SoundOutput;

// Plays a stretch of decoded audio through the platform's SoundOutput, from an exact start frame up
// to (not including) an exact stop frame, and stops by itself there. Positions are frames.
class PlaybackEngine : public QObject
{
    Q_OBJECT
public:
    explicit PlaybackEngine(QObject* parent = nullptr);
    ~PlaybackEngine() override;

    // Stops, replaces the media, and rewinds to frame 0 with no stop frame.
    void setAudio(DecodedAudio audio);
    const DecodedAudio& audio() const { return m_audio; }

    bool isPlaying() const { return m_playing; }
    // From position() to the stop frame. Does nothing without media; stops at once (still
    // reporting endReached, with or without an output) when nothing lies before the stop.
    // Without a working output it stays stopped and reports outputFailed.
    void play();
    void stop();

    // While playing: the frame being heard now. Otherwise the frame set or reached.
    qint64 position() const;
    // While playing, playback goes on from the new position.
    void setPosition(qint64 frame);

    // -1 runs to the end of the media. While playing, a stop at or before the frame being
    // heard ends playback at once.
    void setStopFrame(qint64 frame);
    qint64 stopFrame() const { return m_stopFrame; }

    // 0 to 100, a linear gain; 100 plays the decoded samples unchanged.
    void setVolume(int volume);
    int volume() const { return m_volume; }

    // The tempo factor, pitch kept, for the stretches begun from now on; 1 plays the frames
    // themselves.
    void setSpeed(double speed);
    double speed() const { return m_speed; }
    // The highest media frame of the running or last stretch (from play(), a new position or
    // a follow-on's start) sent towards the output, through the time stretch at other speeds;
    // -1 if none.
    qint64 highestSentFrame() const { return m_source.highestFedFrame(); }

    // After the running stretch ends, keep the output going with silenceFrames of silence,
    // then play [start, stop): the pause between two stretches is exact to the frame. The end
    // of the running stretch is still reported with endReached(), while isPlaying() stays
    // true; followOnStarted() follows when the next stretch starts to sound. Cleared by
    // stop(), by new media and once it starts.
    void setFollowOn(qint64 silenceFrames, qint64 startFrame, qint64 stopFrame);
    void clearFollowOn();
    bool hasFollowOn() const { return m_followOn.silence >= 0; }

signals:
    void playingChanged(bool playing);
    void followOnStarted();
    // Playback stopped by itself at the stop frame or at the end of the media.
    void endReached();
    // A play could not sound or its output broke off: no device or server, a sink that did
    // not start, stopped by itself or stalled. Queued: it arrives from the event loop after
    // play() has returned, with the engine stopped and the follow-on cleared, and is dropped
    // when another play() came first (that one reports for itself).
    void outputFailed();
    // After outputFailed(), a play was heard again: the device or server is back. Queued, once
    // for each loss.
    void outputRestored();

private:
    qint64 effectiveStop() const;
    bool startOutput(qint64 startFrame);
    void stopOutput();
    qint64 playedStreamFrames() const;
    void onOutputFailed();
    void onSilenceStarted();
    void checkEnd();
    void checkProgress();
    void onContinued(qint64 streamFrame);
    enum class Outcome { Stopped, ReachedEnd, OutputFailed };
    void finish(qint64 position, Outcome outcome);
    void reportOutputFailure();
    void noteSoundHeard();

    DecodedAudio m_audio;
    FrameSource m_source;
    std::unique_ptr<SoundOutput> m_output;
    struct FollowOn
    {
        qint64 silence = -1;
        qint64 start = 0;
        qint64 stop = 0;
    };
    FollowOn m_followOn;
    QTimer m_endTimer;
    QTimer m_watchdog;
    qint64 m_watchedFrames = -1;
    int m_stalledChecks = 0;
    QElapsedTimer m_silenceClock;
    qint64 m_silenceStart = -1;
    qint64 m_silenceBudgetMs = 0;
    qint64 m_position = 0;
    qint64 m_stopFrame = -1;
    mutable qint64 m_lastHeard = 0;
    quint64 m_run = 0;
    quint64 m_plays = 0;
    int m_volume = 100;
    double m_speed = 1.0;
    bool m_playing = false;
    bool m_outputLost = false;
};
