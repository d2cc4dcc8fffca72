#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <span>
#include <vector>

class BackgroundDecode;
class PlaybackEngine;

// The lesson-audio player both windows drive.
//
// Setting URL decodes the whole file into memory, so a sentence can start at its exact first
// frame and stop at its exact last one. The decoding runs in the background, so opening a
// lesson never waits for it; the first operation that needs the sound waits for what is left.
// The engine itself stops at the end position (no polling), then reports it with endReached().
// A file that cannot be decoded leaves the player empty; every operation on an empty player
// does nothing, and playState() reads Stopped while a URL is set, Undefined without one.
// A play that cannot sound (no device, no sound server, an output that breaks off) is
// reported with outputFailed(); the next play opens the output afresh.
//
// Positions are seconds. Frame f starts at f / sampleRate(). Playing from position s starts
// at frame round(s * rate); an end position e stops before frame floor(e * rate) + 1, the first
// frame that lies strictly past e, so after such a stop currentPosition() > e.
class MediaPlayer : public QObject
{
    Q_OBJECT
public:
    // The numbers callers compare playState() against: 1 means stopped.
    enum PlayState { Undefined = 0, Stopped = 1, Playing = 3 };
    Q_ENUM(PlayState)

    // Transport operations, reached through controls() as the callers know them.
    class Controls
    {
    public:
        void play();
        void stop();
        double currentPosition() const;
        void setCurrentPosition(double seconds);

    private:
        friend class MediaPlayer;
        explicit Controls(MediaPlayer& player) : m_player(player) {}
        MediaPlayer& m_player;
    };

    explicit MediaPlayer(QObject* parent = nullptr);
    ~MediaPlayer() override;

    // Opens and decodes the file at path; "" (or a file that cannot be decoded) leaves the
    // player empty. Always stops what was playing first.
    void setUrl(const QString& path);
    QString url() const;
    // Stops and releases the media.
    void close();

    // The level lessons are played at: half the samples' amplitude, 6 dB down, still clearly
    // heard over a quiet room.
    static constexpr int lessonVolume = 50;
    // 0 to 100 (values outside are clamped), a linear gain of volume / 100 on every sample;
    // 100, the level a new player starts at, plays the decoded samples unchanged. Takes effect
    // for the frames sent from now on, and lasts across new media.
    void setVolume(int volume);
    int volume() const;

    // Playing speed, the pitch kept. The factor is clamped to [minSpeed, maxSpeed] and rounded
    // to steps of 0.1; 1.0, where a new player starts, plays the decoded frames unchanged. At
    // any other speed the frames [start, stop) are time-stretched: the stop stays exact (the
    // last frame sent through is the one before the stop frame), endReached() comes once its
    // stretched sound has been heard, a follow-on pause lasts exactly its seconds of real
    // time (silence is not stretched), and currentPosition() is the media position being
    // heard. Takes effect from the next play(), setCurrentPosition() while playing, or
    // follow-on, and lasts across new media.
    static constexpr double minSpeed = 0.5;
    static constexpr double maxSpeed = 1.5;
    void setSpeed(double factor);
    double speed() const;

    Controls& controls() { return m_controls; }
    PlayState playState() const;

    // Where the next or the running playback stops by itself; a negative value means "run to
    // the end of the media". If the running playback is already past the new end it stops at
    // once. Stays in force until changed or until new media is opened.
    void setEndPosition(double seconds);
    double endPosition() const;

    // Reading on without a gap in the output: once the running stretch has ended (reported
    // by endReached() while playState() still reads Playing), exactly pauseSeconds of silence
    // follow, then the stretch from startSeconds to endSeconds (negative: the media's end)
    // plays and followOnStarted() is emitted as it starts to sound. Cleared by stop(), by
    // new media and once it starts.
    void setFollowOn(double pauseSeconds, double startSeconds, double endSeconds);
    void clearFollowOn();
    bool hasFollowOn() const;

    bool hasMedia() const;
    int sampleRate() const;
    qint64 frameCount() const;
    // The decoded media as interleaved 16-bit stereo, what is sent to the device at volume 100.
    std::span<const qint16> samples() const;
    // The frames [first, stop) of the media (cut to it) exactly as they are sent to the device
    // at the current volume and speed 1.
    std::vector<qint16> heardFrames(qint64 first, qint64 stop) const;

    // The frame a playback from `seconds` starts at, and the frame one that ends at `seconds`
    // stops before: the first frame whose position, as currentPosition() reports it, is past it.
    static qint64 startFrame(double seconds, int sampleRate);
    static qint64 stopFrame(double seconds, int sampleRate);

signals:
    void playStateChanged(MediaPlayer::PlayState state);
    // Playback stopped by itself: at the end position or at the end of the media. playState()
    // already reads Stopped when this is emitted.
    void endReached();
    // The stretch set with setFollowOn() has started to sound; endPosition() is now its end.
    void followOnStarted();
    // A play produced no sound, or its sound broke off: no output device or sound server, an
    // output that would not start, stopped by itself or stalled. Always queued, so it arrives
    // after play() (or the call that restarted the output) has returned; playState() then
    // reads Stopped, the follow-on is cleared, and no endReached() comes for that play. Every
    // such play is reported, except one superseded by a newer play() before the report.
    void outputFailed();
    // After outputFailed(), a play was heard again: the sound is back. Once for each loss,
    // queued, never before that loss's outputFailed().
    void outputRestored();

private:
    friend class Controls;
    void play();
    void stop();
    double currentPosition() const;
    void setCurrentPosition(double seconds);
    void reportState();
    // Installs the background decoding's result, waiting for it if needed.
    void finishDecoding() const;

    std::unique_ptr<PlaybackEngine> m_engine;
    mutable std::unique_ptr<BackgroundDecode> m_decode;
    Controls m_controls{*this};
    QString m_url;
    double m_endPosition = -1;
    double m_followOnEnd = -1;
    PlayState m_reportedState = Undefined;
    double m_speed = 1.0;
};
