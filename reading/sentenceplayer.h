#pragma once

class MediaPlayer;

// What a lesson reading asks of the player: MediaSentencePlayer answers it with the lesson's
// MediaPlayer, tests with a player of their own. Positions and lengths are seconds.
class SentencePlayer
{
public:
    virtual ~SentencePlayer() = default;

    virtual bool hasMedia() const = 0;
    virtual double mediaSeconds() const = 0;
    virtual double speed() const = 0;
    virtual bool isPlaying() const = 0;
    virtual double position() const = 0;
    // Where playback stops by itself; -1 plays on to the end of the recording.
    virtual void setEnd(double end) = 0;
    virtual void setPosition(double start) = 0;
    virtual void play() = 0;
    virtual void stop() = 0;
    // What follows the stretch playing now, after `gap` seconds of silence, in the same output.
    virtual void setFollowOn(double gap, double start, double end) = 0;
    virtual void clearFollowOn() = 0;
    virtual bool hasFollowOn() const = 0;
};

// The lesson's MediaPlayer as a reading drives it.
class MediaSentencePlayer : public SentencePlayer
{
public:
    explicit MediaSentencePlayer(MediaPlayer& player) : m_player(player) {}

    bool hasMedia() const override;
    double mediaSeconds() const override;
    double speed() const override;
    bool isPlaying() const override;
    double position() const override;
    void setEnd(double end) override;
    void setPosition(double start) override;
    void play() override;
    void stop() override;
    void setFollowOn(double gap, double start, double end) override;
    void clearFollowOn() override;
    bool hasFollowOn() const override;

private:
    MediaPlayer& m_player;
};
