#include "align/placementsearch.h"

#include "align/alignmentconfidence.h"
#include "align/anchoredrealign.h"
#include "align/pauseplacement.h"

#include <algorithm>

namespace PlacementSearch {

using SentenceAligner::Result;
using SentenceAligner::sampleRate;
using SentenceAligner::Span;
using SentenceAligner::unsureBelow;

namespace {

constexpr double frameSeconds = double(Mfcc::hop) / Mfcc::sampleRate;

// For each sentence, how well its reference matches its own span against its neighbours'
// spans (AlignmentConfidence::neighbourRatio, the mean over the one before and the one after);
// empty for a text of one sentence.
std::vector<double> neighbourRatios(const ReferenceSpeech& reference,
                                    const Mfcc::Features& recording, const QList<Span>& spans)
{
    std::vector<double> ratios;
    for (int k = 0; spans.size() > 1 && k < spans.size(); ++k) {
        const ReferenceSpeech::Sentence& sentence = reference.sentences()[std::size_t(k)];
        double sum = 0;
        int count = 0;
        for (const int other : {k - 1, k + 1}) {
            if (other < 0 || other >= spans.size())
                continue;
            sum += AlignmentConfidence::neighbourRatio(
                reference.features(), sentence.firstFrame, sentence.lastFrame, recording,
                Mfcc::frameAt(spans[k].start), Mfcc::frameAt(spans[k].end),
                Mfcc::frameAt(spans[other].start), Mfcc::frameAt(spans[other].end));
            ++count;
        }
        ratios.push_back(sum / count);
    }
    return ratios;
}

// How sure the aligner is of each span and of the text as a whole, into `result`.
void judge(const ReferenceSpeech& reference, const Mfcc::Features& recording, double speechSeconds,
           const QList<Span>& spans, const std::vector<bool>& paused, Result* result)
{
    AlignmentConfidence::TextEvidence whole;
    std::vector<double>& ratios = whole.matchRatios;
    std::vector<double>& stretches = whole.stretches;
    for (int k = 0; k < spans.size(); ++k) {
        const ReferenceSpeech::Sentence& sentence = reference.sentences()[std::size_t(k)];
        const double referenceSeconds =
            (sentence.lastFrame - sentence.firstFrame + 1) * frameSeconds;
        whole.referenceSeconds.push_back(referenceSeconds);
        ratios.push_back(AlignmentConfidence::matchRatio(
            reference.features(), sentence.firstFrame, sentence.lastFrame, recording,
            Mfcc::frameAt(spans[k].start), Mfcc::frameAt(spans[k].end)));
        stretches.push_back((spans[k].end - spans[k].start) / referenceSeconds);
    }
    std::vector<double> sorted = stretches;
    std::nth_element(sorted.begin(), sorted.begin() + std::ptrdiff_t(sorted.size() / 2),
                     sorted.end());
    const double pace = std::max(sorted[sorted.size() / 2], 1e-3);
    const std::vector<double> eased = AlignmentConfidence::againstNeighbours(ratios);
    const std::vector<double> overlong =
        AlignmentConfidence::overlong(stretches, whole.referenceSeconds);
    for (int k = 0; k < spans.size(); ++k) {
        AlignmentConfidence::Evidence evidence;
        evidence.matchRatio = eased[std::size_t(k)];
        evidence.stretch = stretches[std::size_t(k)] / pace;
        evidence.pauseBefore = paused[std::size_t(k)];
        evidence.pauseAfter = paused[std::size_t(k + 1)];
        evidence.overlong = overlong[std::size_t(k)];
        evidence.referenceSeconds = whole.referenceSeconds[std::size_t(k)];
        result->confidence.append(AlignmentConfidence::sentence(evidence));
    }
    whole.sentenceConfidence = result->confidence;
    whole.recordingToText = speechSeconds / std::max(reference.speechSeconds(), 1e-3);
    if (whole.recordingToText >= AlignmentConfidence::roomForAnother)
        whole.neighbourRatios = neighbourRatios(reference, recording, spans);
    result->textConfidence = AlignmentConfidence::text(whole);
}

void judge(const Material& material, Placement* placement)
{
    placement->judged = {};
    judge(material.reference, material.recording, material.speechSeconds, placement->spans,
          placement->paused, &placement->judged);
}

// Whether `a` is a surer placement of the whole text than `b`: first that the text was read
// there, then that its sentences were.
bool surer(const Result& a, const Result& b)
{
    const auto sureness = [](const Result& r) {
        return r.textConfidence + AlignmentConfidence::mean(r.confidence);
    };
    return sureness(a) > sureness(b);
}

// A stretch of the recording heard alone: its features are normalised over the stretch itself,
// since a clean lesson beside a noisy one would otherwise pull the noisy one's features off.
struct Stretch
{
    std::vector<float> samples;
    Mfcc::Features features;
    double offset = 0; // seconds from the start of the recording
};

Stretch cut(const Material& whole, CandidatePlaces::Window window)
{
    const std::size_t first = std::size_t(window.from) * Mfcc::hop;
    const std::size_t last =
        std::min(whole.samples.size(), std::size_t(window.to) * Mfcc::hop + Mfcc::window);
    Stretch stretch;
    stretch.samples.assign(whole.samples.begin() + std::ptrdiff_t(first),
                           whole.samples.begin() + std::ptrdiff_t(last));
    stretch.features = Mfcc::compute(stretch.samples);
    stretch.offset = double(first) / sampleRate;
    return stretch;
}

void shift(QList<Span>* spans, double offset)
{
    for (Span& span : *spans)
        span = {span.start + offset, span.end + offset};
}

// The text warped onto `window` heard alone, and how well its sentences match there
// (Placement::roughMatch); the spans on the whole recording's timeline. False when cancelled.
bool warpRoughly(const Material& whole, CandidatePlaces::Window window,
                 const std::function<bool(double)>& progress, Placement* placement)
{
    const Stretch stretch = cut(whole, window);
    if (!CandidatePlaces::warpIn(whole.reference.features(), whole.reference.sentences(),
                                 stretch.features, &placement->mapped, progress,
                                 CandidatePlaces::roughCells))
        return false;
    placement->roughMatch =
        CandidatePlaces::roughMatch(whole.reference.features(), whole.reference.sentences(),
                                    stretch.features, placement->mapped);
    shift(&placement->mapped, stretch.offset);
    return true;
}

// The text warped onto `window` heard alone, placed and judged as strictly as on the whole
// recording: each window tried is another chance for a text read elsewhere to pass, so its
// sentences must still match their own spans better than their neighbours'. The spans on the
// whole recording's timeline. False when cancelled.
bool placeIn(const Material& whole, CandidatePlaces::Window window,
             const std::function<bool(double)>& progress, Placement* placement)
{
    const Stretch stretch = cut(whole, window);
    const Material material{stretch.samples, stretch.features, whole.reference, whole.speechSeconds,
                            whole.intoPauses};
    const auto half = [&](double from) {
        return [&progress, from](double done) { return progress(from + done / 2); };
    };
    if (!CandidatePlaces::warpIn(whole.reference.features(), whole.reference.sentences(),
                                 stretch.features, &placement->mapped, half(0)) ||
        !place(material, half(0.5), placement))
        return false;
    shift(&placement->mapped, stretch.offset);
    shift(&placement->spans, stretch.offset);
    return true;
}

} // namespace

bool place(const Material& material, const std::function<bool(double)>& progress,
           Placement* placement)
{
    placement->spans = placement->mapped;
    placement->paused.assign(std::size_t(placement->spans.size()) + 1, true);
    if (material.intoPauses && !PausePlacement::moveIntoPauses(material.samples, &placement->spans,
                                                               &placement->paused, progress))
        return false;
    PausePlacement::tidy(&placement->spans, double(material.samples.size()) / sampleRate);
    judge(material, placement);
    return true;
}

bool tryOtherPlaces(const Material& whole, const std::vector<CandidatePlaces::Window>& windows,
                    const std::function<bool(double)>& progress, Placement* placement)
{
    const auto sure = [](const Result& judged) {
        return CandidatePlaces::clearlySure(judged.textConfidence, judged.confidence);
    };
    if (windows.empty() || sure(placement->judged))
        return true;
    // The warps over whole windows take most of the time; those over the stretches found in
    // them, and the pause search, only the rest.
    const double roughShare = 0.8;
    const auto share = [&progress](double from, double to) {
        return std::function<bool(double)>(
            [&progress, from, to](double done) { return progress(from + (to - from) * done); });
    };
    std::vector<Placement> rough(windows.size());
    const double each = roughShare / double(windows.size());
    for (std::size_t w = 0; w < windows.size(); ++w) {
        if (!warpRoughly(whole, windows[w], share(double(w) * each, double(w + 1) * each),
                         &rough[w]))
            return false;
    }
    std::vector<double> matches;
    for (const Placement& found : rough)
        matches.push_back(found.roughMatch);
    const std::vector<std::size_t> order = CandidatePlaces::bestMatches(matches);
    const double closer = (1 - roughShare) / double(order.size());
    for (std::size_t k = 0; k < order.size() && !sure(placement->judged); ++k) {
        Placement other;
        if (!placeIn(whole, CandidatePlaces::around(rough[order[k]].mapped, whole.recording.frames),
                     share(roughShare + double(k) * closer, roughShare + double(k + 1) * closer),
                     &other))
            return false;
        if (surer(other.judged, placement->judged))
            *placement = std::move(other);
    }
    return true;
}

bool lookAgain(const Material& material, const std::function<bool(double)>& progress,
               Placement* placement)
{
    bool changed = false;
    const std::vector<AnchoredRealign::Run> runs =
        AnchoredRealign::unsureRuns(placement->judged.confidence, unsureBelow);
    if (runs.empty())
        return true;
    Placement again{placement->mapped, {}, {}, {}};
    const auto half = [&](double from) {
        return [&progress, from](double done) { return progress(from + done / 2); };
    };
    // Each run's stretch heard alone, as a window elsewhere is: over a long recording the
    // pauses are told from speech by the noise of half a minute around them, and a noisy word
    // list beside a quiet lesson is heard as speech throughout, pauses and all.
    const auto hearAlone = [&material](int from, int to) {
        const Stretch stretch = cut(material, {from, to});
        return Mfcc::slice(stretch.features, 0, std::min(stretch.features.frames, to - from));
    };
    if (!AnchoredRealign::realign(material.reference.features(), material.reference.sentences(),
                                  material.recording.frames, hearAlone, runs, &again.mapped,
                                  half(0)) ||
        !place(material, half(0.5), &again))
        return false;
    for (const AnchoredRealign::Run& run : runs) {
        if (AlignmentConfidence::mean(again.judged.confidence, run.first, run.last) <=
            AlignmentConfidence::mean(placement->judged.confidence, run.first, run.last))
            continue;
        changed = true;
        for (int k = run.first; k < run.last; ++k) {
            placement->mapped[k] = again.mapped[k];
            placement->spans[k] = again.spans[k];
        }
        for (int k = run.first; k <= run.last; ++k)
            placement->paused[std::size_t(k)] = again.paused[std::size_t(k)];
    }
    if (changed) {
        PausePlacement::tidy(&placement->spans, double(material.samples.size()) / sampleRate);
        judge(material, placement);
    }
    return true;
}

} // namespace PlacementSearch
