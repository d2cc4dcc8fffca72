#pragma once

#include <QString>
#include <span>
#include <vector>

// A made-up lesson: a stereo 44100 Hz WAV of noise in which no frame is silent, so every frame
// that reaches the monitor can be traced back to its place in the file, and a list of sentence
// spans with their times written the way the lesson database stores them (".5", "2.43").
class NoiseLesson
{
public:
    static constexpr int sampleRate = 44100;

    struct Sentence
    {
        QString start;
        QString end;
    };

    // Writes the recording to `path`; false if it could not be written.
    bool create(const QString& path, int sentenceCount, unsigned seed);

    const std::vector<Sentence>& sentences() const { return m_sentences; }
    // Interleaved stereo, exactly what the file holds.
    std::span<const qint16> samples() const { return m_samples; }
    qint64 frameCount() const { return qint64(m_samples.size() / 2); }

private:
    std::vector<Sentence> m_sentences;
    std::vector<qint16> m_samples;
};
