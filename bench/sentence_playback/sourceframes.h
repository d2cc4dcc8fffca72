#pragma once

#include <QtGlobal>
#include <span>
#include <vector>

// The frames of a noise recording, indexed so that a run of recorded frames is traced back to
// its place in the source in logarithmic time, however much foreign sound the recording holds.
class SourceFrames
{
public:
    // Interleaved 16-bit stereo.
    explicit SourceFrames(std::span<const qint16> samples);

    // Each frame packed into one word (left in the low half), as pack() does for recordings.
    static std::vector<quint32> pack(std::span<const qint16> samples);

    std::span<const quint32> frames() const { return m_frames; }
    // Where the source holds exactly `key` (a few packed frames), or -1.
    qint64 locate(std::span<const quint32> key) const;

private:
    struct Entry
    {
        quint32 frame;
        quint32 position;
        auto operator<=>(const Entry&) const = default;
    };

    std::vector<quint32> m_frames;
    std::vector<Entry> m_sorted;
};
