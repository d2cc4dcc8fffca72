#include "bench/sentence_playback/heardstretch.h"

#include "bench/sentence_playback/sourceframes.h"

namespace {

// Four frames of noise (128 bits) occur at one place only in any recording we make.
constexpr size_t keyFrames = 4;

} // namespace

HeardStretch HeardStretch::analyse(std::span<const quint32> recording, const SourceFrames& source)
{
    HeardStretch result;
    const std::span<const quint32> frames = source.frames();
    const size_t n = recording.size();
    size_t k = 0;
    while (k < n) {
        if (recording[k] == 0) {
            ++k;
            continue;
        }
        const qint64 at = k + keyFrames <= n ? source.locate(recording.subspan(k, keyFrames)) : -1;
        if (at < 0) {
            ++result.m_unmatched;
            ++k;
            continue;
        }
        size_t length = 0;
        while (k + length < n && size_t(at) + length < frames.size() &&
               recording[k + length] == frames[size_t(at) + length])
            ++length;
        result.m_runs.push_back({qint64(k), at, qint64(length)});
        k += length;
    }
    return result;
}
