#pragma once

#include <QString>
#include <span>
#include <vector>

// Sound files made up for the audio tests.
namespace TestSignals {

// Noise-like 16-bit samples in which no frame is silent, so any sample run is found in a capture
// at exactly one place and every played frame counts as sound.
std::vector<qint16> noise(qint64 frames, int channels, quint32 seed);

// A sine tone at `frequency` Hz, `amplitude` out of 32767.
std::vector<qint16> tone(qint64 frames, int channels, int sampleRate, double frequency,
                         int amplitude);

// Writes interleaved samples with libsndfile; format is an SF_FORMAT_* combination.
bool writeFile(const QString& path, int format, int sampleRate, int channels,
               std::span<const qint16> samples);

} // namespace TestSignals
