#include "align/alignmentconfidence.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace AlignmentConfidence {

namespace {

// Match ratios of a sentence found where it was said and of one placed on other speech; set on
// the alignment bench, where right texts and swapped ones both are read.
constexpr double sureRatio = 0.85;
constexpr double lostRatio = 1.03;
// The same for a whole text, its ratio raised by how unevenly its sentences are stretched.
constexpr double sureTextRatio = 0.875;
constexpr double lostTextRatio = 1.075;
constexpr double unevenWeight = 0.3;
// A right text's sentences match their own spans about this much better than their
// neighbours'; in a recording roomForAnother times longer than the text, the text's ratio is
// raised by as much as its sentences match their own spans worse than that (lowered where
// better), weighed so.
constexpr double usualNeighbourRatio = 0.9;
constexpr double neighbourWeight = 0.5;
// A word or two matches a neighbour's word about as well as its own even where it was said:
// a sentence's neighbour ratio counts in full only from this long a reference on.
constexpr double sureNeighbourSeconds = 3;
// A span this far from the text's pace (in log of the stretch) still holds its sentence alone;
// twice as far it surely does not.
constexpr double usualStretch = 0.3;
// A span shorter than that holds part of its sentence, and the part matches the whole poorly;
// unless the reader was fast: a fast reader's long sentence takes half its reference's time
// and still matches it all along. So a short span is borne further by this much for each unit
// its match ratio lies under sureRatio.
constexpr double fastReading = 3;
// A reference shorter than this matches its own speech less surely: its match ratio is borne
// up to lostRatio raised by shortPhraseSlack, in proportion to how much shorter it is. Set on
// the bench's word lists, where phrases of half a second placed within a few frames matched
// at 0.9 to 1.02, and those placed a fifth of a second off no worse.
constexpr double sureMatchSeconds = 1;
constexpr double shortPhraseSlack = 0.3;
// A boundary without a pause is where neighbours run into each other: a sentence without a
// pause at either end is not trusted on its match alone.
constexpr double withoutPause = 0.7;
// A span holding this many seconds more than its sentence at the pace around it is still
// the sentence read slowly, or with a breath or a pause left in; this much further it holds
// another's speech.
constexpr double usualOverlong = 0.5;
constexpr double lostOverlong = 0.8;
// The least mean sentence() of a text that was read, and the most of another text at the
// place suiting it best, lie about here; a text's confidence is lowered by twice as much as
// its sentences' mean falls short of it. Set on the alignment bench's tuned corpora, where read
// texts' sentences came out at 0.74 on average at the least and other texts' at 0.68 at most
// (a text of one sentence aside: its one sentence may suit another's speech well). Twice: a
// text laid on another lesson in a recording with room for both can match there as well as a
// whole as a noisy text matches its own, and only its many unsure sentences tell it apart.
constexpr double usualSentenceConfidence = 0.74;
constexpr double shortfallWeight = 2;
// The sentences either side whose match ratios tell how well the recording there matches
// at all, and how much of their shortfall is forgiven.
constexpr int neighbourReach = 10;
constexpr double noiseEasing = 0.5;

double between(double ratio, double sure, double lost)
{
    return std::clamp((lost - ratio) / (lost - sure), 0.0, 1.0);
}

} // namespace

double mean(const QList<double>& confidence, int first, int last)
{
    if (last < 0)
        last = int(confidence.size());
    double sum = 0;
    for (int k = first; k < last; ++k)
        sum += confidence[k];
    return sum / std::max(1, last - first);
}

double sentence(const Evidence& evidence)
{
    const double shortness = std::max(0.0, 1 - evidence.referenceSeconds / sureMatchSeconds);
    double confidence =
        between(evidence.matchRatio, sureRatio, lostRatio + shortPhraseSlack * shortness);
    const double stretch = std::abs(std::log(std::max(evidence.stretch, 1e-3)));
    double borne = usualStretch;
    if (evidence.stretch < 1)
        borne += fastReading * std::max(0.0, sureRatio - evidence.matchRatio);
    if (stretch > borne)
        confidence *= std::max(0.0, 1 - (stretch - borne) / borne);
    if (evidence.overlong > usualOverlong)
        confidence *= std::max(0.0, 1 - (evidence.overlong - usualOverlong) / lostOverlong);
    if (!evidence.pauseBefore)
        confidence *= withoutPause;
    if (!evidence.pauseAfter)
        confidence *= withoutPause;
    return std::clamp(confidence, 0.0, 1.0);
}

namespace {

// The median of `values` over neighbourReach either side of each.
std::vector<double> mediansAround(const std::vector<double>& values)
{
    const int count = int(values.size());
    std::vector<double> medians(values.size()), around;
    for (int k = 0; k < count; ++k) {
        around.assign(values.begin() + std::max(0, k - neighbourReach),
                      values.begin() + std::min(count, k + neighbourReach + 1));
        const auto middle = around.begin() + std::ptrdiff_t(around.size() / 2);
        std::nth_element(around.begin(), middle, around.end());
        medians[std::size_t(k)] = *middle;
    }
    return medians;
}

} // namespace

std::vector<double> againstNeighbours(const std::vector<double>& matchRatios)
{
    const std::vector<double> around = mediansAround(matchRatios);
    std::vector<double> eased(matchRatios);
    for (std::size_t k = 0; k < eased.size(); ++k)
        eased[k] -= noiseEasing * std::max(0.0, around[k] - sureRatio);
    return eased;
}

std::vector<double> overlong(const std::vector<double>& stretches,
                             const std::vector<double>& referenceSeconds)
{
    const std::size_t count = std::min(stretches.size(), referenceSeconds.size());
    const std::vector<double> pace =
        mediansAround({stretches.begin(), stretches.begin() + std::ptrdiff_t(count)});
    std::vector<double> seconds(count);
    for (std::size_t k = 0; k < count; ++k)
        seconds[k] = (stretches[k] - pace[k]) * referenceSeconds[k];
    return seconds;
}

double text(const TextEvidence& evidence)
{
    const std::vector<double>& ratios = evidence.matchRatios;
    const std::size_t count = std::min(ratios.size(), evidence.stretches.size());
    if (count == 0)
        return 0;
    double ratio = 0, logSum = 0, logSquares = 0;
    for (std::size_t k = 0; k < count; ++k) {
        ratio += ratios[k];
        const double l = std::log(std::max(evidence.stretches[k], 1e-3));
        logSum += l;
        logSquares += l * l;
    }
    ratio /= double(count);
    const double mean = logSum / double(count);
    const double spread = std::sqrt(std::max(0.0, logSquares / double(count) - mean * mean));
    double apart = 0;
    const std::size_t judged =
        std::min(evidence.neighbourRatios.size(), evidence.referenceSeconds.size());
    for (std::size_t k = 0; k < judged; ++k)
        apart += std::min(1.0, evidence.referenceSeconds[k] / sureNeighbourSeconds) *
                 (evidence.neighbourRatios[k] - usualNeighbourRatio);
    apart /= double(std::max<std::size_t>(1, judged));
    if (evidence.recordingToText < roomForAnother)
        apart = 0;
    const double asWhole = between(ratio + unevenWeight * spread + neighbourWeight * apart,
                                   sureTextRatio, lostTextRatio);
    if (evidence.sentenceConfidence.empty())
        return asWhole;
    return std::max(0.0, asWhole -
                             shortfallWeight * std::max(0.0, usualSentenceConfidence -
                                                                 AlignmentConfidence::mean(
                                                                     evidence.sentenceConfidence)));
}

namespace {

// The mean distance along the cheapest path of a plain warping of reference frames
// [first, last] (backwards when `backwards`) onto recording frames [from, to], both ends
// pinned; two rows at a time.
double warpedDistance(const Mfcc::Features& reference, int first, int last, bool backwards,
                      const Mfcc::Features& recording, int from, int to)
{
    const int rows = last - first + 1, columns = to - from + 1;
    constexpr double infinity = std::numeric_limits<double>::infinity();
    std::vector<double> previous(std::size_t(columns), infinity), current(previous);
    std::vector<int> previousLength(std::size_t(columns), 0), currentLength(previousLength);
    for (int i = 0; i < rows; ++i) {
        const float* r = reference.frame(backwards ? last - i : first + i);
        for (int j = 0; j < columns; ++j) {
            const double d = Mfcc::distance(r, recording.frame(from + j));
            double best = infinity;
            int length = 0;
            auto consider = [&](double cost, int steps) {
                if (cost < best) {
                    best = cost;
                    length = steps;
                }
            };
            if (i == 0 && j == 0)
                consider(0, 0);
            if (i > 0 && j > 0)
                consider(previous[std::size_t(j - 1)], previousLength[std::size_t(j - 1)]);
            if (i > 0)
                consider(previous[std::size_t(j)], previousLength[std::size_t(j)]);
            if (j > 0)
                consider(current[std::size_t(j - 1)], currentLength[std::size_t(j - 1)]);
            current[std::size_t(j)] = best + d;
            currentLength[std::size_t(j)] = length + 1;
        }
        std::swap(previous, current);
        std::swap(previousLength, currentLength);
    }
    return previous.back() / std::max(1, previousLength.back());
}

} // namespace

double matchRatio(const Mfcc::Features& reference, int firstFrame, int lastFrame,
                  const Mfcc::Features& recording, int from, int to)
{
    firstFrame = std::clamp(firstFrame, 0, reference.frames - 1);
    lastFrame = std::clamp(lastFrame, firstFrame, reference.frames - 1);
    from = std::clamp(from, 0, recording.frames - 1);
    to = std::clamp(to, from, recording.frames - 1);
    if (reference.frames == 0 || recording.frames == 0)
        return 1;
    const double forwards =
        warpedDistance(reference, firstFrame, lastFrame, false, recording, from, to);
    const double backwards =
        warpedDistance(reference, firstFrame, lastFrame, true, recording, from, to);
    return backwards > 0 ? forwards / backwards : 1;
}

double neighbourRatio(const Mfcc::Features& reference, int firstFrame, int lastFrame,
                      const Mfcc::Features& recording, int from, int to, int otherFrom, int otherTo)
{
    if (reference.frames == 0 || recording.frames == 0)
        return 1;
    firstFrame = std::clamp(firstFrame, 0, reference.frames - 1);
    lastFrame = std::clamp(lastFrame, firstFrame, reference.frames - 1);
    auto clampSpan = [&](int* a, int* b) {
        *a = std::clamp(*a, 0, recording.frames - 1);
        *b = std::clamp(*b, *a, recording.frames - 1);
    };
    clampSpan(&from, &to);
    clampSpan(&otherFrom, &otherTo);
    const double own = warpedDistance(reference, firstFrame, lastFrame, false, recording, from, to);
    const double other =
        warpedDistance(reference, firstFrame, lastFrame, false, recording, otherFrom, otherTo);
    return other > 0 ? own / other : 1;
}

} // namespace AlignmentConfidence
