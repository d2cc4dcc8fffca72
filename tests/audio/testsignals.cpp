#include "testsignals.h"

#include "audio/soundfile.h"

#include <QFile>
#include <cmath>
#include <numbers>
#include <random>

namespace TestSignals {

std::vector<qint16> noise(qint64 frames, int channels, quint32 seed)
{
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> magnitude(600, 14000);
    std::bernoulli_distribution negative(0.5);
    std::vector<qint16> samples(size_t(frames * channels));
    for (qint16& sample : samples)
        sample = qint16(negative(generator) ? -magnitude(generator) : magnitude(generator));
    return samples;
}

std::vector<qint16> tone(qint64 frames, int channels, int sampleRate, double frequency,
                         int amplitude)
{
    std::vector<qint16> samples(size_t(frames * channels));
    for (qint64 f = 0; f < frames; ++f) {
        const double phase = 2 * std::numbers::pi * frequency * double(f) / sampleRate;
        const auto value = qint16(std::lround(amplitude * std::sin(phase)));
        for (int c = 0; c < channels; ++c)
            samples[size_t(f * channels + c)] = value;
    }
    return samples;
}

bool writeFile(const QString& path, int format, int sampleRate, int channels,
               std::span<const qint16> samples)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Truncate))
        return false;
    SoundFile sound;
    if (!sound.openWrite(&file, format, sampleRate, channels))
        return false;
    const sf_count_t frames = sf_count_t(samples.size()) / channels;
    bool written = false;
    if ((format & SF_FORMAT_SUBMASK) == SF_FORMAT_MPEG_LAYER_III && channels == 2) {
        // libsndfile 1.2.0 garbles stereo MP3 written from 16-bit samples (its short-to-LAME
        // copy moves half the bytes); floats go to the encoder unconverted.
        std::vector<float> floats(samples.size());
        for (size_t i = 0; i < samples.size(); ++i)
            floats[i] = float(samples[i]) / 32768.0f;
        written = sf_writef_float(sound.handle(), floats.data(), frames) == frames;
    } else {
        written = sf_writef_short(sound.handle(), samples.data(), frames) == frames;
    }
    return sound.close() && written;
}

} // namespace TestSignals
