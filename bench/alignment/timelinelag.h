#pragma once

#include <vector>

// How many frames one rendering of a sound lags behind another of the same rate: the MP3
// encoder's padding as the decoder leaves it, or a resampler's delay.
class TimelineLag
{
public:
    // The lag L maximising the normalised correlation of original[n] with copy[n + L] over
    // `length` frames from `from`, |L| <= searchFrames; `match` is that correlation (1 for an
    // exact copy).
    static long measure(const std::vector<float>& original, const std::vector<float>& copy,
                        long from, long length, double* match);

    static constexpr long searchFrames = 4096;
};
