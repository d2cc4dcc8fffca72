#include "audio/timestretch.h"

#include <SoundTouch.h>
#include <algorithm>
#include <cmath>

namespace {

// Source frames fed at a time: small enough that a read never computes far ahead of the
// output's request, large enough that the per-call overhead stays negligible.
constexpr qint64 feedFrames = 1024;
// The stretch holds back a few tens of milliseconds of input until more arrives; this much
// padding always pushes them out.
constexpr qint64 maxPaddingFrames = 192000;

} // namespace

TimeStretch::TimeStretch() : m_touch(std::make_unique<soundtouch::SoundTouch>())
{
    m_touch->setChannels(2);
    // The coarse-to-fine search for where to splice halves the stretch's CPU; on speech the
    // difference to the full search is hard to hear.
    m_touch->setSetting(SETTING_USE_QUICKSEEK, 1);
}

TimeStretch::~TimeStretch() = default;

void TimeStretch::begin(double speed, int sampleRate, qint64 startFrame)
{
    m_touch->clear();
    if (sampleRate != m_sampleRate) {
        m_sampleRate = sampleRate;
        m_touch->setSampleRate(uint(sampleRate));
    }
    m_speed = speed;
    m_touch->setTempo(speed);
    m_start = startFrame;
    m_fed = 0;
    m_produced = 0;
    m_padded = 0;
    m_expected = -1;
    m_running = true;
}

void TimeStretch::reset()
{
    m_touch->clear();
    m_running = false;
}

bool TimeStretch::isDrained() const
{
    return !m_running || (m_expected >= 0 && m_produced >= m_expected);
}

void TimeStretch::feed(std::span<const qint16> frames)
{
    const qint64 count = qint64(frames.size() / 2);
    m_buffer.resize(frames.size());
    for (size_t i = 0; i < frames.size(); ++i)
        m_buffer[i] = float(frames[i]) / 32768.0f;
    m_touch->putSamples(m_buffer.data(), uint(count));
}

void TimeStretch::pad(std::span<const qint16> samples, qint64 stop)
{
    // The run's own last frames played backwards: unlike silence, they let the stretch splice
    // its last pieces as it did the others, so the tail keeps its level up to the very end.
    // What the padding itself becomes is cut off.
    std::vector<qint16> mirrored(size_t(feedFrames) * 2);
    const qint64 length = std::max<qint64>(1, stop - m_start);
    for (qint64 i = 0; i < feedFrames; ++i) {
        const qint64 back = (m_padded + i) % (2 * length);
        const qint64 frame = back < length ? stop - 1 - back : m_start + back - length;
        mirrored[size_t(i) * 2] = samples[size_t(frame) * 2];
        mirrored[size_t(i) * 2 + 1] = samples[size_t(frame) * 2 + 1];
    }
    feed(mirrored);
    m_padded += feedFrames;
}

qint64 TimeStretch::read(std::span<const qint16> samples, qint64& cursor, qint64 stop, qint16* out,
                         qint64 maxFrames)
{
    if (!m_running)
        return 0;
    qint64 produced = 0;
    while (produced < maxFrames && !isDrained()) {
        const qint64 allowed = m_expected < 0 ? maxFrames : m_expected - m_produced;
        const qint64 ready = std::min<qint64>(m_touch->numSamples(), allowed);
        if (ready > 0 && (m_expected >= 0 || cursor < stop)) {
            const qint64 count = std::min(ready, maxFrames - produced);
            m_buffer.resize(size_t(count * 2));
            const qint64 got = m_touch->receiveSamples(m_buffer.data(), uint(count));
            qint16* target = out + produced * 2;
            for (qint64 i = 0; i < got * 2; ++i) {
                const float scaled = std::round(m_buffer[size_t(i)] * 32768.0f);
                target[i] = qint16(std::clamp(scaled, -32768.0f, 32767.0f));
            }
            produced += got;
            m_produced += got;
            continue;
        }
        if (cursor < stop) {
            const qint64 count = std::min(feedFrames, stop - cursor);
            feed(samples.subspan(size_t(cursor) * 2, size_t(count) * 2));
            cursor += count;
            m_fed += count;
            continue;
        }
        if (m_expected < 0)
            m_expected = std::max(m_produced, std::llround(double(m_fed) / m_speed));
        if (m_touch->numSamples() >= uint(m_expected - m_produced))
            continue;
        if (m_padded >= maxPaddingFrames || m_fed == 0) {
            // Cannot happen with a working stretch; end short rather than never.
            m_expected = m_produced + m_touch->numSamples();
            continue;
        }
        pad(samples, stop);
    }
    return produced;
}
