#include "audio/framesource.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr qint64 bytesPerFrame = 2 * sizeof(qint16);
// After this much silence in a row the source reports its end, so a sink nobody stops runs
// dry instead of playing silence forever. A pause before a continuation is not counted: it is
// the learner's time to speak, as long as they chose, and it ends by itself.
constexpr qint64 maxSilentFrames = 44100 * 5;

} // namespace

FrameSource::FrameSource(QObject* parent) : QIODevice(parent) {}

void FrameSource::setSamples(std::span<const qint16> samples)
{
    m_samples = samples;
    begin(0, 0);
}

void FrameSource::begin(qint64 startFrame, qint64 stopFrame)
{
    const qint64 frames = qint64(m_samples.size() / 2);
    m_cursor = std::clamp<qint64>(startFrame, 0, frames);
    m_stop = std::clamp<qint64>(stopFrame, m_cursor, frames);
    m_streamFrames = 0;
    m_silentFrames = 0;
    m_continuationSilence = -1;
    m_pieces.clear();
    m_highestFed = -1;
    m_runSpeed = m_speed;
    m_stretch.reset();
    if (!isOpen())
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

void FrameSource::applyVolume(std::span<qint16> samples, int volume)
{
    if (volume >= 100)
        return;
    // Integer arithmetic rounds towards zero the same way everywhere, so what the device gets
    // can be predicted to the sample.
    for (qint16& sample : samples)
        sample = qint16(int(sample) * volume / 100);
}

void FrameSource::setSpeed(double speed, int sampleRate)
{
    m_speed = speed;
    m_sampleRate = sampleRate;
}

void FrameSource::setStopFrame(qint64 stopFrame)
{
    const qint64 frames = qint64(m_samples.size() / 2);
    m_stop = std::clamp<qint64>(stopFrame, 0, frames);
}

void FrameSource::setContinuation(qint64 silenceFrames, qint64 startFrame, qint64 stopFrame)
{
    const qint64 frames = qint64(m_samples.size() / 2);
    m_continuationSilence = std::max<qint64>(0, silenceFrames);
    m_continuationStart = std::clamp<qint64>(startFrame, 0, frames);
    m_continuationStop = std::clamp<qint64>(stopFrame, m_continuationStart, frames);
}

qint64 FrameSource::silenceStart() const
{
    if (m_pieces.empty() || !m_pieces.back().silent)
        return -1;
    return m_pieces.back().streamFrame;
}

qint64 FrameSource::mediaFrameAt(qint64 streamFrame) const
{
    auto after = std::upper_bound(
        m_pieces.begin(), m_pieces.end(), streamFrame,
        [](qint64 frame, const Piece& piece) { return frame < piece.streamFrame; });
    if (after == m_pieces.begin())
        return m_pieces.empty() ? m_cursor : m_pieces.front().mediaFrame;
    const Piece& piece = *(after - 1);
    if (piece.silent)
        return piece.mediaFrame;
    const qint64 end = after == m_pieces.end() ? m_streamFrames : after->streamFrame;
    const qint64 offset = std::min(streamFrame, end) - piece.streamFrame;
    // The stretch keeps to its mean rate within a few tens of milliseconds, close enough for
    // the marking to follow the sound.
    return piece.mediaFrame + (piece.speed == 1.0 ? offset : std::llround(offset * piece.speed));
}

void FrameSource::appendPiece(qint64 mediaFrame, bool silent)
{
    if (!m_pieces.empty() && m_pieces.back().silent == silent)
        return;
    m_pieces.push_back({m_streamFrames, mediaFrame, silent});
}

qint64 FrameSource::serveMedia(qint16* out, qint64 frames)
{
    if (m_runSpeed == 1.0) {
        if (m_cursor >= m_stop)
            return 0;
        const qint64 count = std::min(frames, m_stop - m_cursor);
        appendPiece(m_cursor, false);
        std::memcpy(out, m_samples.data() + m_cursor * 2, size_t(count * bytesPerFrame));
        m_cursor += count;
        m_highestFed = std::max(m_highestFed, m_cursor - 1);
        return count;
    }
    if (m_stretch.isDrained()) {
        if (m_cursor >= m_stop)
            return 0;
        // A fresh stretch: its own piece, since its sound starts over from m_cursor.
        m_stretch.begin(m_runSpeed, m_sampleRate, m_cursor);
        m_pieces.push_back({m_streamFrames, m_cursor, false, m_runSpeed});
    }
    const qint64 count = m_stretch.read(m_samples, m_cursor, m_stop, out, frames);
    m_highestFed = std::max(m_highestFed, m_cursor - 1);
    return count;
}

qint64 FrameSource::readData(char* data, qint64 maxSize)
{
    const qint64 wanted = maxSize / bytesPerFrame;
    qint64 served = 0;
    while (served < wanted) {
        qint16* out = reinterpret_cast<qint16*>(data + served * bytesPerFrame);
        if (const qint64 count = serveMedia(out, wanted - served); count > 0) {
            applyVolume({out, size_t(count * 2)}, m_volume);
            m_streamFrames += count;
            m_silentFrames = 0;
            served += count;
            continue;
        }
        const bool started = silenceStart() < 0;
        const qint64 silenceBegan = started ? m_streamFrames : silenceStart();
        qint64 silence = wanted - served;
        if (m_continuationSilence >= 0) {
            silence = std::min(silence, silenceBegan + m_continuationSilence - m_streamFrames);
        } else {
            silence = std::min(silence, maxSilentFrames - m_silentFrames);
        }
        if (silence > 0) {
            appendPiece(m_cursor, true);
            std::memset(data + served * bytesPerFrame, 0, size_t(silence * bytesPerFrame));
            m_streamFrames += silence;
            m_silentFrames += silence;
            served += silence;
            if (started)
                emit silenceStarted();
        }
        if (m_continuationSilence >= 0 && m_streamFrames >= silenceBegan + m_continuationSilence) {
            m_cursor = m_continuationStart;
            m_stop = m_continuationStop;
            m_continuationSilence = -1;
            m_runSpeed = m_speed;
            m_highestFed = -1;
            emit continued(m_streamFrames);
            continue;
        }
        break;
    }
    return served * bytesPerFrame;
}

qint64 FrameSource::writeData(const char*, qint64)
{
    return -1;
}
