#include "align/pitchtracker.h"

#include <QtGlobal>
#include <algorithm>
#include <array>
#include <cmath>

namespace PitchTracker {

namespace {

// Speech pitch needs no more than ~11 kHz: averaging groups of samples both filters and cuts
// the correlation's cost by the square of the factor.
std::vector<float> lowered(std::span<const float> samples, int factor)
{
    std::vector<float> low(samples.size() / size_t(factor));
    for (size_t i = 0; i < low.size(); ++i) {
        float sum = 0;
        for (int k = 0; k < factor; ++k) {
            sum += samples[i * size_t(factor) + size_t(k)];
        }
        low[i] = sum / float(factor);
    }
    return low;
}

// A median of three removes single-frame octave jumps; voiced stretches shorter than a
// syllable's nucleus are mostly noise caught as periodic.
std::vector<float> smoothed(const std::vector<float>& pitch)
{
    const size_t frames = pitch.size();
    std::vector<float> smooth = pitch;
    for (size_t f = 1; f + 1 < frames; ++f) {
        std::array<float, 3> three{pitch[f - 1], pitch[f], pitch[f + 1]};
        std::sort(three.begin(), three.end());
        smooth[f] = pitch[f] == 0 ? 0 : three[1] == 0 ? pitch[f] : three[1];
    }
    constexpr size_t shortestRun = 5;
    for (size_t f = 0; f < frames;) {
        size_t end = f;
        while (end < frames && smooth[end] > 0) {
            ++end;
        }
        if (end - f < shortestRun) {
            std::fill(smooth.begin() + qsizetype(f), smooth.begin() + qsizetype(end), 0.0F);
        }
        f = end + 1;
    }
    return smooth;
}

} // namespace

std::vector<float> track(std::span<const float> samples, int sampleRate)
{
    if (sampleRate <= 0 || samples.empty()) {
        return {};
    }
    const int factor = std::max(1, sampleRate / 11025);
    const double rate = double(sampleRate) / factor;
    const std::vector<float> low = lowered(samples, factor);
    const auto window = size_t(0.04 * rate);
    const auto hop = size_t(stepSeconds * rate);
    const auto minLag = size_t(rate / highestHz);
    const auto maxLag = size_t(rate / lowestHz);
    const size_t frames = low.size() / hop;
    std::vector<float> pitch(frames, 0.0F);
    std::vector<double> energy(frames, 0.0);
    double loudest = 0;
    for (size_t f = 0; f < frames; ++f) {
        // Frame f is centred on its time, so the line lies over the sound it describes.
        const size_t start = f * hop >= window / 2 ? f * hop - window / 2 : 0;
        for (size_t i = start; i < std::min(low.size(), start + window); ++i) {
            energy[f] += double(low[i]) * low[i];
        }
        loudest = std::max(loudest, energy[f]);
    }
    std::vector<double> score(maxLag + 1);
    for (size_t f = 0; f < frames; ++f) {
        const size_t start = f * hop >= window / 2 ? f * hop - window / 2 : 0;
        // Quiet frames (pauses, breath) have no pitch worth drawing.
        if (start + window + maxLag > low.size() || energy[f] < loudest * 0.02) {
            continue;
        }
        const float* x = low.data() + start;
        for (size_t lag = minLag; lag <= maxLag; ++lag) {
            double cross = 0;
            double shifted = 0;
            for (size_t i = 0; i < window; ++i) {
                cross += double(x[i]) * x[i + lag];
                shifted += double(x[i + lag]) * x[i + lag];
            }
            score[lag] = cross / std::sqrt(energy[f] * shifted + 1e-12);
        }
        size_t best = minLag;
        for (size_t lag = minLag; lag <= maxLag; ++lag) {
            best = score[lag] > score[best] ? lag : best;
        }
        // A period's multiples correlate nearly as well: prefer the shortest that does.
        for (size_t divisor = 4; divisor >= 2; --divisor) {
            const size_t shorter = (best + divisor / 2) / divisor;
            if (shorter >= minLag && score[shorter] > 0.9 * score[best]) {
                best = shorter;
                break;
            }
        }
        if (score[best] > 0.6) {
            pitch[f] = float(rate / double(best));
        }
    }
    return smoothed(pitch);
}

} // namespace PitchTracker
