#pragma once

#include <QtGlobal>
#include <memory>
#include <span>
#include <vector>

namespace soundtouch {
class SoundTouch;
}

// Plays a run of interleaved 16-bit stereo frames faster or slower at the same pitch. Source
// frames are fed on demand, never past the stop given to read(), and the stretched sound of the
// run ends with that of the frame before the stop: round((stop - start) / speed) frames in all.
class TimeStretch
{
public:
    TimeStretch();
    ~TimeStretch();
    TimeStretch(const TimeStretch&) = delete;
    TimeStretch& operator=(const TimeStretch&) = delete;

    // Starts a new run at `speed` (the tempo factor) for media at sampleRate, its first source
    // frame at startFrame.
    void begin(double speed, int sampleRate, qint64 startFrame);
    // Ends the run, dropping whatever it still held.
    void reset();
    // Hands out up to maxFrames stretched frames, feeding source frames from cursor (advanced)
    // up to stop. Once cursor has reached stop the rest is drained, and the run is over when
    // read() hands out nothing more.
    qint64 read(std::span<const qint16> samples, qint64& cursor, qint64 stop, qint16* out,
                qint64 maxFrames);
    // No run is going on, or the last one has handed out everything.
    bool isDrained() const;
    double speed() const { return m_speed; }

private:
    void feed(std::span<const qint16> frames);
    void pad(std::span<const qint16> samples, qint64 stop);

    std::unique_ptr<soundtouch::SoundTouch> m_touch;
    std::vector<float> m_buffer;
    double m_speed = 1.0;
    int m_sampleRate = 0;
    qint64 m_start = 0;
    qint64 m_fed = 0;
    qint64 m_produced = 0;
    qint64 m_padded = 0;
    // The run's stretched length, known once all its source frames are in; -1 before.
    qint64 m_expected = -1;
    bool m_running = false;
};
