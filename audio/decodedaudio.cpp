#include "audio/decodedaudio.h"

#include "audio/soundfile.h"

#include <QFile>
#include <algorithm>
#include <cmath>

namespace {

qint16 toInt16(float value)
{
    // 32768 rather than 32767: libsndfile reads 16-bit PCM as s / 32768, so this gives the
    // stored samples back unchanged; louder decoded peaks are clipped, not wrapped.
    const long scaled = std::lrint(double(value) * 32768.0);
    return qint16(std::clamp(scaled, -32768L, 32767L));
}

} // namespace

DecodedAudio::DecodedAudio(int sampleRate, std::vector<qint16> stereoSamples)
    : m_sampleRate(sampleRate), m_samples(std::move(stereoSamples))
{
    m_samples.resize(m_samples.size() / 2 * 2);
    if (m_sampleRate < minSampleRate || m_sampleRate > maxSampleRate)
        m_samples.clear();
}

DecodedAudio DecodedAudio::fromFile(const QString& path)
{
    if (path.isEmpty())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    SoundFile sound;
    if (!sound.openRead(&file))
        return {};

    const int rate = sound.info().samplerate;
    const int channels = sound.info().channels;
    if (rate < minSampleRate || rate > maxSampleRate || channels <= 0)
        return {};

    const qint64 maxFrames = qint64(rate) * maxSeconds;
    std::vector<qint16> stereo;
    // The header's length is only a hint: it may be a lie, and MP3 reports none.
    constexpr qint64 maxReserve = 44100 * 60 * 10;
    if (sound.info().frames > 0)
        stereo.reserve(size_t(std::min<qint64>({sound.info().frames, maxFrames, maxReserve})) * 2);

    constexpr sf_count_t chunkFrames = 16384;
    std::vector<float> chunk(size_t(chunkFrames) * size_t(channels));
    qint64 total = 0;
    while (total < maxFrames) {
        const sf_count_t want = std::min<sf_count_t>(chunkFrames, maxFrames - total);
        const sf_count_t got = sf_readf_float(sound.handle(), chunk.data(), want);
        if (got <= 0)
            break;
        for (sf_count_t f = 0; f < got; ++f) {
            const float* frame = chunk.data() + f * channels;
            stereo.push_back(toInt16(frame[0]));
            stereo.push_back(toInt16(frame[channels > 1 ? 1 : 0]));
        }
        total += got;
    }
    if (total == 0)
        return {};
    return DecodedAudio(rate, std::move(stereo));
}
