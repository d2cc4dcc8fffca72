#pragma once

#include <QString>
#include <QtGlobal>
#include <span>
#include <vector>

// A sound file decoded completely into interleaved 16-bit stereo at the file's own rate.
// Mono is doubled onto both channels; of more channels the first two are kept.
class DecodedAudio
{
public:
    // Longer files are cut here: a lesson runs a few minutes, and a broken header must not
    // make us allocate gigabytes.
    static constexpr int maxSeconds = 30 * 60;
    // Rates outside these no output plays: Qt Multimedia divides by zero on a 40 Hz stream, so
    // such a file counts as unplayable rather than reaching the sink.
    static constexpr int minSampleRate = 8000;
    static constexpr int maxSampleRate = 192000;

    DecodedAudio() = default;
    DecodedAudio(int sampleRate, std::vector<qint16> stereoSamples);

    // A missing, empty or undecodable file, or one at a rate outside the playable range,
    // gives an empty result.
    static DecodedAudio fromFile(const QString& path);

    bool isEmpty() const { return m_samples.empty(); }
    int sampleRate() const { return m_sampleRate; }
    qint64 frameCount() const { return qint64(m_samples.size() / 2); }
    std::span<const qint16> samples() const { return m_samples; }

private:
    int m_sampleRate = 0;
    std::vector<qint16> m_samples;
};
