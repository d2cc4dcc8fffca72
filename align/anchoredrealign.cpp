#include "align/anchoredrealign.h"

#include "align/subsequencedtw.h"

#include <algorithm>

namespace AnchoredRealign {

namespace {

constexpr double frameSeconds = double(Mfcc::hop) / Mfcc::sampleRate;
constexpr double windowSeconds = double(Mfcc::window) / Mfcc::sampleRate;

} // namespace

std::vector<Run> unsureRuns(const QList<double>& confidence, double below)
{
    std::vector<Run> runs;
    const int count = int(confidence.size());
    for (int k = 0; k < count; ++k) {
        if (confidence[k] >= below)
            continue;
        if (!runs.empty() && runs.back().last == k)
            ++runs.back().last;
        else
            runs.push_back({k, k + 1});
    }
    if (runs.size() == 1 && runs.front().first == 0 && runs.front().last == count)
        runs.clear();
    return runs;
}

bool realign(const Mfcc::Features& reference,
             const std::vector<ReferenceSpeech::Sentence>& sentences, int recordingFrames,
             const Hear& hear, const std::vector<Run>& runs, QList<SentenceAligner::Span>* mapped,
             const std::function<bool(double)>& progress)
{
    const int count = int(sentences.size());
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const Run& run = runs[r];
        // The reference from the middle of the pause before the run to the middle of the one
        // after it; the recording between the sure sentences either side.
        const int refFrom = run.first == 0 ? 0
                                           : (sentences[std::size_t(run.first - 1)].lastFrame +
                                              sentences[std::size_t(run.first)].firstFrame) /
                                                 2;
        const int refTo = run.last == count ? reference.frames
                                            : (sentences[std::size_t(run.last - 1)].lastFrame +
                                               sentences[std::size_t(run.last)].firstFrame) /
                                                      2 +
                                                  1;
        const int recFrom =
            run.first == 0 ? 0 : std::max(0, Mfcc::frameAt((*mapped)[run.first - 1].end));
        const int recTo = run.last == count
                              ? recordingFrames
                              : std::min(recordingFrames, Mfcc::frameAt((*mapped)[run.last].start));
        // Room for the sentences at twice the reference's pace at least, or the run stays.
        if (2 * (recTo - recFrom) < refTo - refFrom)
            continue;
        std::vector<int> between;
        for (int k = run.first; k + 1 < run.last; ++k)
            between.push_back(
                (sentences[std::size_t(k)].lastFrame + sentences[std::size_t(k + 1)].firstFrame) /
                    2 -
                refFrom);
        const Mfcc::Features heard = hear(recFrom, recTo);
        if (heard.frames == 0)
            continue;
        const double share = double(runs.size());
        const SubsequenceDtw::Match match = SubsequenceDtw::align(
            Mfcc::slice(reference, refFrom, refTo), heard,
            [&](double done) { return !progress || progress((double(r) + done) / share); }, between,
            SubsequenceDtw::Within{run.first > 0, run.last < count});
        if (match.first.empty())
            return false;
        for (int k = run.first; k < run.last; ++k) {
            const ReferenceSpeech::Sentence& sentence = sentences[std::size_t(k)];
            const int first = match.first[std::size_t(sentence.firstFrame - refFrom)] + recFrom;
            const int last = match.last[std::size_t(sentence.lastFrame - refFrom)] + recFrom;
            (*mapped)[k] = {first * frameSeconds, last * frameSeconds + windowSeconds};
        }
    }
    return true;
}

} // namespace AnchoredRealign
