#pragma once

#include "lessons/timetext.h"

#include <vector>

// One lesson's recording: a short lead-in, the sentences with a pause after each, and a tail,
// together with where each sentence's speech begins and ends.
class LessonRecording
{
public:
    explicit LessonRecording(int sampleRate);

    void addSentence(const std::vector<float>& speech);
    // Appends the tail; call once after the last sentence.
    void finish();

    const std::vector<float>& samples() const { return m_samples; }
    // Speech spans in seconds, shifted by offsetFrames (the encoder's delay, if any).
    std::vector<TimeText::Span> spans(long offsetFrames = 0) const;
    double seconds() const { return double(m_samples.size()) / m_sampleRate; }
    int sampleRate() const { return m_sampleRate; }

    static constexpr double leadInSeconds = 0.5;
    static constexpr double pauseSeconds = 0.7;
    // A sentence that makes no sound still gets a little room, so its times stay ordered.
    static constexpr double silentSentenceSeconds = 0.1;

private:
    void appendSilence(double seconds);

    int m_sampleRate = 0;
    std::vector<float> m_samples;
    std::vector<std::pair<size_t, size_t>> m_frames; // [start, end) of each sentence
};
