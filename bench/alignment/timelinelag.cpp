#include "bench/alignment/timelinelag.h"

#include <algorithm>
#include <cmath>

long TimelineLag::measure(const std::vector<float>& original, const std::vector<float>& copy,
                          long from, long length, double* match)
{
    from = std::clamp(from, 0L, long(original.size()));
    length = std::min(length, long(original.size()) - from);
    long best = 0;
    *match = -1;
    for (long lag = -searchFrames; lag <= searchFrames; ++lag) {
        double product = 0;
        double originalEnergy = 0;
        double copyEnergy = 0;
        for (long n = std::max(from, -lag); n < from + length; ++n) {
            const long m = n + lag;
            if (m >= long(copy.size()))
                break;
            product += double(original[size_t(n)]) * copy[size_t(m)];
            originalEnergy += double(original[size_t(n)]) * original[size_t(n)];
            copyEnergy += double(copy[size_t(m)]) * copy[size_t(m)];
        }
        const double value = product / std::sqrt(std::max(originalEnergy * copyEnergy, 1e-20));
        if (value > *match) {
            *match = value;
            best = lag;
        }
    }
    return best;
}
