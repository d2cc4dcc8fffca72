#include "subsequencedtw.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

// Refinement keeps this many frames either side of the coarser path, at each level.
constexpr int bandRadius = 6;

struct Frames
{
    int count = 0;
    std::vector<float> values;
    const float* frame(int i) const { return values.data() + std::size_t(i) * Mfcc::dims; }
};

Frames average(const Mfcc::Features& features, int factor)
{
    Frames out;
    out.count = (features.frames + factor - 1) / factor;
    out.values.assign(std::size_t(out.count) * Mfcc::dims, 0.0f);
    for (int i = 0; i < out.count; ++i) {
        const int from = i * factor, to = std::min(features.frames, from + factor);
        float* target = out.values.data() + std::size_t(i) * Mfcc::dims;
        for (int k = from; k < to; ++k)
            for (int d = 0; d < Mfcc::dims; ++d)
                target[d] += features.frame(k)[d];
        for (int d = 0; d < Mfcc::dims; ++d)
            target[d] /= float(to - from);
    }
    return out;
}

float distance(const float* a, const float* b)
{
    float sum = 0;
    for (int d = 0; d < Mfcc::dims; ++d) {
        const float diff = a[d] - b[d];
        sum += diff * diff;
    }
    return std::sqrt(sum);
}

enum Step : std::uint8_t { Start, Diagonal, Down, Across };

// The path's column extent in each reference row.
struct Band
{
    std::vector<int> lo;
    std::vector<int> hi;
};

// Fills the band row by row and walks the cheapest path back; false when stopped.
bool warp(const Frames& ref, const Frames& rec, const Band& band, Band* path,
          const std::function<bool(double)>& progress)
{
    const int rows = ref.count;
    std::vector<std::size_t> offset(std::size_t(rows) + 1, 0);
    for (int i = 0; i < rows; ++i)
        offset[i + 1] = offset[i] + std::size_t(band.hi[i] - band.lo[i] + 1);
    std::vector<std::uint8_t> steps(offset[rows]);
    constexpr double infinity = std::numeric_limits<double>::infinity();
    std::vector<double> previous, current;
    for (int i = 0; i < rows; ++i) {
        if ((i & 63) == 0 && progress && !progress(double(i) / rows))
            return false;
        const int lo = band.lo[i], hi = band.hi[i];
        current.assign(std::size_t(hi - lo + 1), infinity);
        std::uint8_t* step = steps.data() + offset[i];
        const int prevLo = i > 0 ? band.lo[i - 1] : 0, prevHi = i > 0 ? band.hi[i - 1] : -1;
        const float* r = ref.frame(i);
        for (int j = lo; j <= hi; ++j) {
            const double d = distance(r, rec.frame(j));
            // The first reference frame may meet the recording anywhere.
            double best = i == 0 ? 0 : infinity;
            std::uint8_t how = Start;
            if (i > 0 && j - 1 >= prevLo && j - 1 <= prevHi && previous[j - 1 - prevLo] < best) {
                best = previous[j - 1 - prevLo];
                how = Diagonal;
            }
            if (i > 0 && j >= prevLo && j <= prevHi && previous[j - prevLo] < best) {
                best = previous[j - prevLo];
                how = Down;
            }
            if (i > 0 && j > lo && current[j - 1 - lo] < best) {
                best = current[j - 1 - lo];
                how = Across;
            }
            current[j - lo] = best + d;
            step[j - lo] = how;
        }
        previous.swap(current);
    }
    int j = band.lo[rows - 1] +
            int(std::min_element(previous.begin(), previous.end()) - previous.begin());
    path->lo.assign(std::size_t(rows), 0);
    path->hi.assign(std::size_t(rows), 0);
    int i = rows - 1;
    path->hi[i] = j;
    for (;;) {
        path->lo[i] = j;
        const std::uint8_t how = steps[offset[i] + std::size_t(j - band.lo[i])];
        if (how == Start)
            break;
        if (how == Across) {
            --j;
            continue;
        }
        if (how == Diagonal)
            --j;
        --i;
        path->hi[i] = j;
    }
    // Rows above a start below the first row cannot happen: every row holds a path cell.
    return true;
}

// The band at `factor` around a path found at `coarseFactor`, widened by bandRadius.
Band widen(const Band& coarse, int coarseFactor, int factor, int rows, int columns)
{
    Band band;
    band.lo.resize(std::size_t(rows));
    band.hi.resize(std::size_t(rows));
    const int coarseRows = int(coarse.lo.size());
    for (int i = 0; i < rows; ++i) {
        const int c = std::min(coarseRows - 1, i * factor / coarseFactor);
        const int lo = coarse.lo[c] * coarseFactor / factor - bandRadius;
        const int hi = (coarse.hi[c] + 1) * coarseFactor / factor - 1 + bandRadius;
        band.lo[i] = std::clamp(lo, 0, columns - 1);
        band.hi[i] = std::clamp(hi, 0, columns - 1);
    }
    // Rows must overlap their neighbours for the path to pass from one to the next.
    for (int i = 1; i < rows; ++i)
        band.lo[i] = std::max(band.lo[i], band.lo[i - 1]);
    for (int i = rows - 2; i >= 0; --i)
        band.hi[i] = std::min(band.hi[i], band.hi[i + 1]);
    for (int i = 1; i < rows; ++i)
        band.lo[i] = std::min(band.lo[i], band.hi[i - 1] + 1);
    return band;
}

} // namespace

SubsequenceDtw::Match SubsequenceDtw::align(const Mfcc::Features& reference,
                                            const Mfcc::Features& recording,
                                            const Progress& progress)
{
    Match match;
    if (reference.frames == 0 || recording.frames == 0)
        return match;
    int factor = 1;
    while (double(reference.frames) * recording.frames / (double(factor) * factor) > maxCoarseCells)
        ++factor;
    std::vector<int> factors{factor};
    while (factors.back() > 1)
        factors.push_back((factors.back() + 1) / 2);
    // The unbanded pass costs about as much as all the banded ones together.
    const double coarseShare = factors.size() > 1 ? 0.5 : 1.0;

    Band path;
    for (std::size_t level = 0; level < factors.size(); ++level) {
        const int f = factors[level];
        const Frames ref = average(reference, f);
        const Frames rec = average(recording, f);
        Band band;
        if (level == 0) {
            band.lo.assign(std::size_t(ref.count), 0);
            band.hi.assign(std::size_t(ref.count), rec.count - 1);
        } else {
            band = widen(path, factors[level - 1], f, ref.count, rec.count);
        }
        const double from = level == 0 ? 0
                                       : coarseShare + (1 - coarseShare) * double(level - 1) /
                                                           double(factors.size() - 1);
        const double span =
            level == 0 ? coarseShare : (1 - coarseShare) / double(factors.size() - 1);
        auto report = [&](double done) { return !progress || progress(from + span * done); };
        if (!warp(ref, rec, band, &path, report))
            return {};
    }
    match.first = std::move(path.lo);
    match.last = std::move(path.hi);
    return match;
}
