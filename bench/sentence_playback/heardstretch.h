#pragma once

#include <QtGlobal>
#include <span>
#include <vector>

class SourceFrames;

// What part of the source reached the monitor in one stretch of the recording: the recording
// is cut into runs that match the source frame for frame, each traced to its place in the
// source. Sounding frames that match nothing (another program's sound, a resampled or
// attenuated copy) are only counted.
class HeardStretch
{
public:
    struct Run
    {
        qint64 recordingFrame = 0; // relative to the start of the stretch
        qint64 sourceFrame = 0;
        qint64 frames = 0;
    };

    // `recording` packed with SourceFrames::pack().
    static HeardStretch analyse(std::span<const quint32> recording, const SourceFrames& source);

    bool heardAnything() const { return !m_runs.empty(); }
    const std::vector<Run>& runs() const { return m_runs; }
    qint64 unmatchedFrames() const { return m_unmatched; }

    qint64 firstRecordingFrame() const { return m_runs.front().recordingFrame; }
    qint64 firstSourceFrame() const { return m_runs.front().sourceFrame; }
    // One past the last source frame heard.
    qint64 sourceEnd() const { return m_runs.back().sourceFrame + m_runs.back().frames; }

private:
    std::vector<Run> m_runs;
    qint64 m_unmatched = 0;
};
