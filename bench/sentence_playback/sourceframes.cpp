#include "bench/sentence_playback/sourceframes.h"

#include <algorithm>

SourceFrames::SourceFrames(std::span<const qint16> samples) : m_frames(pack(samples))
{
    m_sorted.reserve(m_frames.size());
    for (size_t i = 0; i < m_frames.size(); ++i)
        m_sorted.push_back({m_frames[i], quint32(i)});
    std::sort(m_sorted.begin(), m_sorted.end());
}

std::vector<quint32> SourceFrames::pack(std::span<const qint16> samples)
{
    std::vector<quint32> frames(samples.size() / 2);
    for (size_t i = 0; i < frames.size(); ++i)
        frames[i] = quint32(quint16(samples[2 * i])) | quint32(quint16(samples[2 * i + 1])) << 16;
    return frames;
}

qint64 SourceFrames::locate(std::span<const quint32> key) const
{
    if (key.empty())
        return -1;
    auto it = std::lower_bound(m_sorted.begin(), m_sorted.end(), Entry{key.front(), 0});
    for (; it != m_sorted.end() && it->frame == key.front(); ++it) {
        const size_t at = it->position;
        if (at + key.size() <= m_frames.size() &&
            std::equal(key.begin(), key.end(), m_frames.begin() + qsizetype(at)))
            return qint64(at);
    }
    return -1;
}
