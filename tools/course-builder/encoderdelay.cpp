#include "tools/course-builder/encoderdelay.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float onsetLevel = 0.01f;
constexpr long windowFrames = 8192;
constexpr long refineFrames = 256;

long firstOnset(const std::vector<float>& samples)
{
    const auto it = std::find_if(samples.begin(), samples.end(),
                                 [](float s) { return std::abs(s) > onsetLevel; });
    return it == samples.end() ? -1 : long(it - samples.begin());
}

// Correlation of written[from, from + length) with decoded shifted by lag, normalised by the
// decoded energy so that loud stretches do not win over well-aligned ones.
double correlation(const std::vector<float>& written, const std::vector<float>& decoded, long from,
                   long length, long lag)
{
    double product = 0.0;
    double energy = 0.0;
    for (long n = from; n < from + length; ++n) {
        const long m = n + lag;
        if (m < 0 || m >= long(decoded.size()))
            continue;
        product += double(written[size_t(n)]) * decoded[size_t(m)];
        energy += double(decoded[size_t(m)]) * decoded[size_t(m)];
    }
    return energy > 0.0 ? product / std::sqrt(energy) : 0.0;
}

} // namespace

long EncoderDelay::measure(const std::vector<float>& written, const std::vector<float>& decoded)
{
    const long writtenOnset = firstOnset(written);
    const long decodedOnset = firstOnset(decoded);
    if (writtenOnset < 0 || decodedOnset < 0)
        return 0;
    // The onsets give a coarse lag; the correlation around it settles the exact frame.
    const long coarse = std::clamp(decodedOnset - writtenOnset, -searchFrames, searchFrames);
    const long from = std::max(0L, writtenOnset - 1024);
    const long length = std::min(windowFrames, long(written.size()) - from);

    long best = coarse;
    double bestValue = -1.0;
    for (long lag = coarse - refineFrames; lag <= coarse + refineFrames; ++lag) {
        const double value = correlation(written, decoded, from, length, lag);
        if (value > bestValue) {
            bestValue = value;
            best = lag;
        }
    }
    return best;
}
