#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

class SourceFrames;

// One player under test: plays every sentence while the monitor is recorded, then traces what
// was heard after each click back to the source. Frames are those of the noise lesson. A player
// set to another speed than 1 sends no source frame unchanged: then only the first sound after
// the click and the CPU are measured.
class PlaybackSide
{
public:
    struct Sentence
    {
        double start = 0;
        double end = 0;
        qint64 startFrame = 0;
        qint64 stopFrame = 0; // the first frame that must not be heard
    };

    // How a player is driven; all run on the calling thread's event loop.
    struct Driver
    {
        std::function<void(const Sentence&)> play;
        // After a sentence that did not end by itself: silence the player and make it usable.
        std::function<void()> recover;
        // Connects the player's "this sentence is over" signal to `slot`, living as long as
        // `context`.
        std::function<void(QObject* context, std::function<void()> slot)> onEnded;
    };

    struct Outcome
    {
        bool endedByItself = false;
        bool heard = false;
        qint64 startError = 0;    // first source frame heard minus startFrame
        qint64 stopOvershoot = 0; // one past the last source frame heard minus stopFrame
        double firstSoundMs = 0;  // from the click to the first heard frame at the monitor
        int pieces = 0;           // runs of consecutive source frames, apart in time or place
        qint64 missingFrames = 0; // between the first and the last heard, never heard
        qint64 foreignFrames = 0; // sounding but not from the file
        qint64 cpuNs = 0;
    };

    PlaybackSide(QString name, Driver driver, double speed = 1.0)
        : m_name(std::move(name)), m_driver(std::move(driver)), m_speed(speed)
    {}

    // False (see errorString()) if the monitor could not be recorded.
    bool run(const std::vector<Sentence>& sentences, const SourceFrames& source);

    const QString& name() const { return m_name; }
    double speed() const { return m_speed; }
    QString errorString() const { return m_error; }
    const std::vector<Outcome>& outcomes() const { return m_outcomes; }
    // CPU milliseconds per second of audio as heard (at the side's speed), over the sentences
    // that ended by themselves.
    double cpuMsPerSecond(const std::vector<Sentence>& sentences) const;

private:
    QString m_name;
    Driver m_driver;
    double m_speed = 1.0;
    QString m_error;
    std::vector<Outcome> m_outcomes;
};
