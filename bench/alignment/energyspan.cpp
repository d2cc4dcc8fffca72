#include "bench/alignment/energyspan.h"

#include <algorithm>
#include <cmath>

namespace {

// A render's quietest fricatives sit some 35 dB under its loudest vowel; 40 dB keeps them.
constexpr double belowPeak = 0.01;
// Noise frames stay well under four times the noise's RMS; speech over it rises above.
constexpr double overFloor = 4.0;
constexpr double floorQuantile = 0.1;

} // namespace

EnergySpan EnergySpan::measure(const std::vector<float>& samples, int sampleRate,
                               Background background)
{
    const auto frame = size_t(std::lround(frameSeconds * sampleRate));
    const size_t frames = samples.size() / frame;
    if (frames == 0)
        return {};
    std::vector<double> rms(frames);
    for (size_t f = 0; f < frames; ++f) {
        double sum = 0;
        for (size_t i = f * frame; i < (f + 1) * frame; ++i)
            sum += double(samples[i]) * samples[i];
        rms[f] = std::sqrt(sum / double(frame));
    }
    const double peak = *std::max_element(rms.begin(), rms.end());
    double threshold = peak * belowPeak;
    if (background == Background::Noisy) {
        // A long sentence in a short window has too few silent frames for a floor: hence
        // the choice, not a floor always.
        std::vector<double> sorted = rms;
        const auto floorAt = sorted.begin() + std::ptrdiff_t(double(frames - 1) * floorQuantile);
        std::nth_element(sorted.begin(), floorAt, sorted.end());
        threshold = std::max(threshold, *floorAt * overFloor);
    }
    if (peak <= 0 || peak <= threshold)
        return {};

    const auto first =
        std::find_if(rms.begin(), rms.end(), [&](double r) { return r > threshold; });
    const auto last =
        std::find_if(rms.rbegin(), rms.rend(), [&](double r) { return r > threshold; });
    EnergySpan span;
    span.start = double(size_t(first - rms.begin()) * frame) / sampleRate;
    span.end = double(size_t(rms.rend() - last) * frame) / sampleRate;
    return span;
}
