#include "tools/course-builder/lessonrecording.h"

#include <cmath>

LessonRecording::LessonRecording(int sampleRate) : m_sampleRate(sampleRate)
{
    appendSilence(leadInSeconds);
}

void LessonRecording::addSentence(const std::vector<float>& speech)
{
    if (!m_frames.empty())
        appendSilence(pauseSeconds);
    const size_t start = m_samples.size();
    if (speech.empty())
        appendSilence(silentSentenceSeconds);
    else
        m_samples.insert(m_samples.end(), speech.begin(), speech.end());
    m_frames.emplace_back(start, m_samples.size());
}

void LessonRecording::finish()
{
    // The last sentence plays to the end of the file: leave it room to ring out.
    appendSilence(pauseSeconds);
}

std::vector<TimeText::Span> LessonRecording::spans(long offsetFrames) const
{
    std::vector<TimeText::Span> spans;
    spans.reserve(m_frames.size());
    for (const auto& [start, end] : m_frames)
        spans.emplace_back(double(long(start) + offsetFrames) / m_sampleRate,
                           double(long(end) + offsetFrames) / m_sampleRate);
    return spans;
}

void LessonRecording::appendSilence(double seconds)
{
    m_samples.resize(m_samples.size() + size_t(std::lround(seconds * m_sampleRate)), 0.0f);
}
