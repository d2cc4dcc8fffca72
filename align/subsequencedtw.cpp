#include "align/subsequencedtw.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace {

// Refinement keeps this many frames either side of the coarser path, at each level.
constexpr int bandRadius = 6;

struct Frames
{
    int count = 0;
    int factor = 1; // recording frames averaged into one
    std::vector<float> values;
    std::vector<bool> skip; // rows where the path may pass over the recording
    // For the recording: what each frame's distances are multiplied by (see weighLocally).
    std::vector<float> weight;
    const float* frame(int i) const { return values.data() + std::size_t(i) * Mfcc::dims; }
};

Frames average(const Mfcc::Features& features, int factor, const std::vector<int>& skipFrames = {})
{
    Frames out;
    out.count = (features.frames + factor - 1) / factor;
    out.factor = factor;
    out.values.assign(std::size_t(out.count) * Mfcc::dims, 0.0f);
    out.skip.assign(std::size_t(out.count), false);
    for (int frame : skipFrames)
        if (frame >= 0 && frame < features.frames)
            out.skip[std::size_t(frame / factor)] = true;
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

// Each reference frame is charged once whatever the step, so no path is cheaper merely for
// pairing the reference with fewer recording frames: the reference advances one or two frames
// per recording frame, or waits on a frame while the recording goes on (a longer pause, slower
// speech). Advancing without the recording, which could fold a whole sentence onto one
// frame, costs triple and is there only so a narrow band never loses the path.
enum Step : std::uint8_t { Start, Diagonal, Skip, Across, Down };
constexpr float downWeight = 3;
// Waiting costs half: a slow reader or a long pause should not push the reference elsewhere.
constexpr float acrossWeight = 0.5f;
// Every recording frame a step pairs with a reference frame earns back this share of a typical
// distance, so the reference is not squeezed into too short a stretch of the recording.
constexpr double bonusShare = 0.3;

// The path's column extent in each reference row.
struct Band
{
    std::vector<int> lo;
    std::vector<int> hi;
};

struct Row
{
    int lo = 0;
    int hi = -1;
    std::vector<double> cost;
    double at(int j) const
    {
        return j >= lo && j <= hi ? cost[std::size_t(j - lo)]
                                  : std::numeric_limits<double>::infinity();
    }
};

// The distance of two frames picked at random, on average.
double typicalDistance(const Frames& ref, const Frames& rec)
{
    std::uint32_t state = 12345;
    auto next = [&state](int n) {
        state = state * 1664525u + 1013904223u;
        return int((state >> 8) % std::uint32_t(n));
    };
    double sum = 0;
    constexpr int samples = 4000;
    for (int k = 0; k < samples; ++k)
        sum += Mfcc::distance(ref.frame(next(ref.count)), rec.frame(next(rec.count)));
    return sum / samples;
}

// A noisy lesson in a long recording lies further from the reference than a clean one, so
// far that passing over it at the skip cost would come cheaper than matching it: each
// recording frame's distances are scaled by how far the recording around it lies from the
// reference on average, against the recording's average.
void weighLocally(const Frames& ref, Frames* rec, double typical)
{
    constexpr int samples = 32;
    constexpr int reachSeconds = 15;
    std::uint32_t state = 54321;
    std::vector<double> sums(std::size_t(rec->count) + 1);
    for (int j = 0; j < rec->count; ++j) {
        double sum = 0;
        for (int k = 0; k < samples; ++k) {
            state = state * 1664525u + 1013904223u;
            const int i = int((state >> 8) % std::uint32_t(ref.count));
            sum += Mfcc::distance(ref.frame(i), rec->frame(j));
        }
        sums[std::size_t(j) + 1] = sums[std::size_t(j)] + sum / samples;
    }
    const int reach = std::max(1, reachSeconds * 100 / rec->factor);
    rec->weight.resize(std::size_t(rec->count));
    for (int j = 0; j < rec->count; ++j) {
        const auto from = std::size_t(std::max(0, j - reach));
        const auto to = std::size_t(std::min(rec->count, j + reach + 1));
        const double local = (sums[to] - sums[from]) / double(to - from);
        rec->weight[std::size_t(j)] = float(local > 0 ? typical / local : 1.0);
    }
}

struct Costs
{
    double bonus = 0; // earned back by each recording frame paired with a reference frame
    double skip = 0;  // paid for each recording frame passed over at a skip row
    double pause = 0; // paid instead for a frame of the recording's pauses
    // For each recording frame, what passing over the recording before it costs, and after it.
    std::vector<double> before, after;
};

// What passing over the recording before the reference, or after it, costs up to each frame:
// the outer cost a frame; but where the reference lies within a longer text, a pause there is a
// pause between sentences, and costs what waiting in one does. Were it cheaper there, a path
// could pass over a run's first word and the long pause after it, and lay that word on the
// next one.
void passOverEnds(const Frames& rec, SubsequenceDtw::Within within, double outer, Costs* costs)
{
    const auto cost = [&](int j, bool inside) {
        return inside && Mfcc::isPause(rec.frame(j)) ? costs->pause : outer;
    };
    const auto count = std::size_t(rec.count);
    costs->before.assign(count, 0);
    costs->after.assign(count, 0);
    for (std::size_t j = 1; j < count; ++j)
        costs->before[j] = costs->before[j - 1] + cost(int(j - 1), within.start);
    for (std::size_t j = count - 1; j-- > 0;)
        costs->after[j] = costs->after[j + 1] + cost(int(j + 1), within.end);
}

// The cumulative costs of one row, `before` and `previous` being the two rows above it;
// each cell's step into `steps` when given.
void fillRow(const Frames& ref, const Frames& rec, int i, const Costs& costs, const Row& before,
             const Row& previous, Row* current, std::uint8_t* steps)
{
    constexpr double infinity = std::numeric_limits<double>::infinity();
    const float* r = ref.frame(i);
    const double bonus = costs.bonus;
    const bool skip = ref.skip[std::size_t(i)];
    for (int j = current->lo; j <= current->hi; ++j) {
        const double d = Mfcc::distance(r, rec.frame(j)) * rec.weight[std::size_t(j)];
        // The first reference frame may meet the recording anywhere, the recording before it
        // passed over (passOverEnds).
        double best = i == 0 ? d + costs.before[std::size_t(j)] : infinity;
        std::uint8_t how = Start;
        auto consider = [&](double cost, Step s) {
            if (cost < best) {
                best = cost;
                how = s;
            }
        };
        if (i > 0) {
            consider(previous.at(j - 1) + d - bonus, Diagonal);
            consider(previous.at(j) + downWeight * d, Down);
            if (j > current->lo) {
                double wait = acrossWeight * d;
                if (skip)
                    wait = std::min(wait, Mfcc::isPause(rec.frame(j)) ? costs.pause : costs.skip);
                consider(current->cost[std::size_t(j - 1 - current->lo)] + wait, Across);
            }
            if (i > 1 && before.at(j - 1) < best)
                consider(before.at(j - 1) +
                             Mfcc::distance(ref.frame(i - 1), rec.frame(j)) *
                                 rec.weight[std::size_t(j)] +
                             d - bonus,
                         Skip);
        }
        current->cost[std::size_t(j - current->lo)] = best;
        if (steps)
            steps[j - current->lo] = how;
    }
}

// Where the path through the last row ends, the recording after it passed over too.
int cheapestEnd(const Row& last, const Costs& costs)
{
    int end = last.lo;
    for (int j = last.lo; j <= last.hi; ++j) {
        if (last.at(j) + costs.after[std::size_t(j)] < last.at(end) + costs.after[std::size_t(end)])
            end = j;
    }
    return end;
}

// Fills the band row by row and walks the cheapest path back; false when stopped. Only a
// stretch of rows keeps its steps at a time: the first pass keeps the costs at the start of
// each stretch, and the walk back fills each stretch again from there, last first.
bool warp(const Frames& ref, const Frames& rec, SubsequenceDtw::Within within, const Band& band,
          Band* path, const std::function<bool(double)>& progress)
{
    const double typical = typicalDistance(ref, rec);
    Costs costs{bonusShare * typical,
                SubsequenceDtw::skipShare * typical,
                SubsequenceDtw::pauseShare * typical,
                {},
                {}};
    passOverEnds(rec, within, SubsequenceDtw::outerShare * typical, &costs);
    const int rows = ref.count;
    const int stretch = std::max(64, int(std::sqrt(double(rows))));
    const int stretches = (rows + stretch - 1) / stretch;
    auto startRow = [&](Row* row, int i) {
        row->lo = band.lo[i];
        row->hi = band.hi[i];
        row->cost.assign(std::size_t(row->hi - row->lo + 1),
                         std::numeric_limits<double>::infinity());
    };
    // The two rows above each stretch's first row.
    std::vector<std::pair<Row, Row>> saved(static_cast<std::size_t>(stretches));
    Row before, previous, current;
    for (int i = 0; i < rows; ++i) {
        if ((i & 63) == 0 && progress && !progress(0.5 * i / rows))
            return false;
        if (i % stretch == 0)
            saved[std::size_t(i / stretch)] = {before, previous};
        startRow(&current, i);
        fillRow(ref, rec, i, costs, before, previous, &current, nullptr);
        std::swap(before, previous);
        std::swap(previous, current);
    }
    int j = cheapestEnd(previous, costs);

    path->lo.assign(std::size_t(rows), 0);
    path->hi.assign(std::size_t(rows), 0);
    std::vector<std::uint8_t> steps;
    std::vector<std::size_t> offset(std::size_t(stretch) + 1);
    int first = rows; // the first row of the stretch whose steps are at hand
    int i = rows - 1;
    path->hi[i] = j;
    while (i >= 0) {
        if (i < first) {
            const int s = i / stretch;
            if (progress && !progress(0.5 + 0.5 * (stretches - s) / stretches))
                return false;
            first = s * stretch;
            const int end = std::min(rows, first + stretch);
            for (int k = first; k < end; ++k)
                offset[std::size_t(k - first + 1)] =
                    offset[std::size_t(k - first)] + std::size_t(band.hi[k] - band.lo[k] + 1);
            steps.resize(offset[std::size_t(end - first)]);
            before = saved[std::size_t(s)].first;
            previous = saved[std::size_t(s)].second;
            for (int k = first; k < end; ++k) {
                startRow(&current, k);
                fillRow(ref, rec, k, costs, before, previous, &current,
                        steps.data() + offset[std::size_t(k - first)]);
                std::swap(before, previous);
                std::swap(previous, current);
            }
        }
        path->lo[i] = j;
        const std::uint8_t how =
            steps[offset[std::size_t(i - first)] + std::size_t(j - band.lo[i])];
        if (how == Start)
            break;
        if (how == Across) {
            --j;
            continue;
        }
        if (how == Skip) {
            --i;
            path->lo[i] = path->hi[i] = j;
        }
        if (how != Down)
            --j;
        --i;
        path->hi[i] = j;
    }
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
                                            const Progress& progress,
                                            const std::vector<int>& skipFrames, Within within,
                                            double coarseCells)
{
    Match match;
    if (reference.frames == 0 || recording.frames == 0)
        return match;
    int factor = 1;
    while (double(reference.frames) * recording.frames / (double(factor) * factor) > coarseCells)
        ++factor;
    std::vector<int> factors{factor};
    while (factors.back() > 1)
        factors.push_back((factors.back() + 1) / 2);
    // The unbanded pass costs about as much as all the banded ones together.
    const double coarseShare = factors.size() > 1 ? 0.5 : 1.0;

    Band path;
    for (std::size_t level = 0; level < factors.size(); ++level) {
        const int f = factors[level];
        const Frames ref = average(reference, f, skipFrames);
        Frames rec = average(recording, f);
        weighLocally(ref, &rec, typicalDistance(ref, rec));
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
        if (!warp(ref, rec, within, band, &path, report))
            return {};
    }
    match.first = std::move(path.lo);
    match.last = std::move(path.hi);
    return match;
}
