#include "align/pauseplacement.h"

#include "align/pausefinder.h"
#include "align/speechedges.h"

#include <algorithm>

namespace PausePlacement {

using SentenceAligner::sampleRate;
using Span = SentenceAligner::Span;

namespace {

// How far from where the warping path puts a boundary the speaker's pause may lie.
constexpr double pauseReach = 0.4;
// How far before the first sentence and after the last their speech may be sought.
constexpr double outerReach = 0.3;
constexpr double minSpanSeconds = 0.01;
// Two sentences further apart than this have more than a pause between them.
constexpr double apartSeconds = 3;
// The longest stretch of sentences whose pauses are sought under one noise floor, and the
// recording taken in with it either side.
constexpr double stretchSeconds = 40;
constexpr double stretchMargin = 2;

// Sentences [first, last) whose boundaries are sought in one stretch of the recording, with
// their neighbours [from, to) beside them so that the pauses between are sought alike.
struct Stretch
{
    int from = 0;
    int first = 0;
    int last = 0;
    int to = 0;
};

// The sentences in stretches that part where the recording holds more than a pause between
// two of them (an announcement, the next lesson) and that span at most stretchSeconds: the
// noise, and so what counts as a pause, is judged in each stretch alone, since a long
// recording may join lessons made in different rooms. A stretch parted only for its length
// takes in one sentence either side.
std::vector<Stretch> stretchesOf(const QList<Span>& spans)
{
    const int count = int(spans.size());
    std::vector<Stretch> stretches;
    int runStart = 0;
    bool open = false;
    for (int k = 0; k < count; ++k) {
        const bool runEnds = k + 1 == count || spans[k + 1].start - spans[k].end > apartSeconds;
        if (!open)
            stretches.push_back({k, k, k, k});
        open = true;
        Stretch& stretch = stretches.back();
        stretch.last = k + 1;
        const bool full = spans[k].end - spans[stretch.first].start > stretchSeconds;
        if (runEnds || full) {
            stretch.from = std::max(runStart, stretch.first - 1);
            stretch.to = runEnds ? k + 1 : k + 2;
            open = false;
        }
        if (runEnds)
            runStart = k + 1;
    }
    return stretches;
}

} // namespace

void findPauses(const QList<Span>& mapped, const PauseFinder& pauses, QList<Span>* edges,
                QList<Span>* limits, std::vector<bool>* paused)
{
    *edges = *limits = mapped;
    paused->assign(mapped.size() + 1, false);
    const int count = int(mapped.size());
    double earliest = 0;
    for (int k = 0; k + 1 < count; ++k) {
        // A sentence the path crushed before the pause the previous boundary went to (a word
        // it laid on the end of the word before) is sought from that pause on.
        const double a = std::max(earliest, std::min(mapped[k].end, mapped[k + 1].start));
        const double b = std::max(a, std::max(mapped[k].end, mapped[k + 1].start));
        const auto pause =
            pauses.pauseNear(a, b, std::max(earliest, a - pauseReach), b + pauseReach);
        if (pause) {
            (*edges)[k].end = pause->start;
            (*edges)[k + 1].start = pause->end;
            (*limits)[k].end = (*limits)[k + 1].start = (pause->start + pause->end) / 2;
            earliest = pause->end;
            (*paused)[std::size_t(k + 1)] = true;
        } else {
            // No pause: part the sentences where the sound is lowest between them.
            const double quiet = pauses.quietestNear(std::max(earliest, a - 0.05), b + 0.05);
            (*edges)[k].end = (*edges)[k + 1].start = quiet;
            (*limits)[k].end = (*limits)[k + 1].start = quiet;
            earliest = quiet;
        }
    }
    if (const auto onset = pauses.speechEdgeNear(mapped.front().start, pauseReach, true)) {
        edges->front().start = *onset;
        paused->front() = true;
    }
    // Likewise the last sentence's end: the path may have laid the last word on the one before.
    const double lastEnd = std::max(mapped.back().end, edges->back().start);
    if (const auto offset = pauses.speechEdgeNear(lastEnd, pauseReach, false);
        offset && *offset > edges->back().start) {
        edges->back().end = *offset;
        paused->back() = true;
    } else {
        edges->back().end = std::max(edges->back().end, lastEnd);
    }
    limits->front().start = std::max(0.0, edges->front().start - outerReach);
    limits->back().end = edges->back().end + outerReach;
}

void tidy(QList<Span>* spans, double duration)
{
    double floor = 0;
    for (Span& span : *spans) {
        span.start = std::clamp(span.start, floor, duration);
        span.end = std::max(span.end, span.start + minSpanSeconds);
        floor = span.end;
    }
    double ceiling = std::max(duration, minSpanSeconds * spans->size());
    for (auto span = spans->rbegin(); span != spans->rend(); ++span) {
        span->end = std::min(span->end, ceiling);
        span->start = std::min(span->start, span->end - minSpanSeconds);
        ceiling = span->start;
    }
}

bool moveIntoPauses(const std::vector<float>& samples, QList<Span>* spans,
                    std::vector<bool>* paused, const std::function<bool(double)>& progress)
{
    const double duration = double(samples.size()) / sampleRate;
    const std::vector<Stretch> stretches = stretchesOf(*spans);
    QList<Span> moved = *spans;
    for (std::size_t s = 0; s < stretches.size(); ++s) {
        const Stretch& stretch = stretches[s];
        const double from = std::max(0.0, (*spans)[stretch.from].start - stretchMargin);
        const double to = std::min(duration, (*spans)[stretch.to - 1].end + stretchMargin);
        const auto first = std::size_t(from * sampleRate);
        const auto last = std::max(first, std::min(samples.size(), std::size_t(to * sampleRate)));
        const std::vector<float> piece(samples.begin() + std::ptrdiff_t(first),
                                       samples.begin() + std::ptrdiff_t(last));
        const double offset = double(first) / sampleRate;
        QList<Span> mapped = spans->mid(stretch.from, stretch.to - stretch.from);
        for (Span& span : mapped)
            span = {span.start - offset, span.end - offset};
        const PauseFinder pauses(piece, sampleRate);
        if (!pauses.hasSpeech())
            continue;
        QList<Span> edges, limits;
        std::vector<bool> found;
        findPauses(mapped, pauses, &edges, &limits, &found);
        const double share = double(stretches.size());
        const SpeechEdges speech(piece, pauses.noiseMaskingDb(), [&](double done) {
            return !progress || progress((double(s) + done) / share);
        });
        if (speech.cancelled())
            return false;
        const QList<Span> refined = speech.refine(edges, limits);
        for (int k = stretch.first; k < stretch.last; ++k) {
            const Span& span = refined[k - stretch.from];
            moved[k] = {span.start + offset, span.end + offset};
        }
        for (int k = stretch.first; k <= stretch.last; ++k)
            (*paused)[std::size_t(k)] = found[std::size_t(k - stretch.from)] &&
                                        (k > stretch.first || (*paused)[std::size_t(k)]);
    }
    for (int k = 0; k + 1 < moved.size(); ++k) {
        if (moved[k].end > moved[k + 1].start)
            moved[k].end = moved[k + 1].start = (moved[k].end + moved[k + 1].start) / 2;
    }
    *spans = moved;
    return true;
}

} // namespace PausePlacement
