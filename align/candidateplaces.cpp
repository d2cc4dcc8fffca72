#include "align/candidateplaces.h"

#include "align/subsequencedtw.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace CandidatePlaces {

namespace {

constexpr double frameSeconds = double(Mfcc::hop) / Mfcc::sampleRate;
constexpr double windowSeconds = double(Mfcc::window) / Mfcc::sampleRate;
// Three seconds: an announcement's end or a first sentence a little before the warp's start.
constexpr int aroundFrames = 300;

} // namespace

std::vector<Window> otherWindows(int foundFrom, int foundTo, int referenceFrames,
                                 int recordingFrames)
{
    const int reach = std::max(1, referenceFrames * 3 / 2);
    const int hop = std::max(referenceFrames / 2, (recordingFrames - reach) / (most - 1));
    std::vector<Window> windows;
    for (int from = 0; from + reach / 2 < recordingFrames; from += hop) {
        const Window window{from, std::min(recordingFrames, from + hop + reach)};
        // A window around the whole found place would only find it again.
        if (window.from > foundFrom || window.to < foundTo)
            windows.push_back(window);
        if (window.to == recordingFrames)
            break;
    }
    return windows;
}

Window around(const QList<SentenceAligner::Span>& mapped, int recordingFrames)
{
    if (mapped.isEmpty())
        return {0, recordingFrames};
    return {std::clamp(Mfcc::frameAt(mapped.front().start) - aroundFrames, 0, recordingFrames),
            std::clamp(Mfcc::frameAt(mapped.back().end) + aroundFrames, 0, recordingFrames)};
}

double roughMatch(const Mfcc::Features& reference,
                  const std::vector<ReferenceSpeech::Sentence>& sentences,
                  const Mfcc::Features& window, const QList<SentenceAligner::Span>& mapped)
{
    double sum = 0;
    const int count = std::min(int(sentences.size()), int(mapped.size()));
    for (int k = 0; k < count; ++k) {
        const ReferenceSpeech::Sentence& sentence = sentences[std::size_t(k)];
        sum += AlignmentConfidence::matchRatio(reference, sentence.firstFrame, sentence.lastFrame,
                                               window, Mfcc::frameAt(mapped[k].start),
                                               Mfcc::frameAt(mapped[k].end));
    }
    return count > 0 ? sum / count : 1;
}

std::vector<std::size_t> bestMatches(const std::vector<double>& matches)
{
    std::vector<std::size_t> order(matches.size());
    for (std::size_t k = 0; k < order.size(); ++k)
        order[k] = k;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return matches[a] < matches[b]; });
    order.resize(std::min<std::size_t>(order.size(), closerLooks));
    return order;
}

bool clearlySure(double textConfidence, const QList<double>& confidence)
{
    return !confidence.isEmpty() && textConfidence >= sureText &&
           AlignmentConfidence::mean(confidence) >= sureSentences;
}

bool warpIn(const Mfcc::Features& reference,
            const std::vector<ReferenceSpeech::Sentence>& sentences, const Mfcc::Features& window,
            QList<SentenceAligner::Span>* mapped, const std::function<bool(double)>& progress,
            double coarseCells)
{
    std::vector<int> between;
    for (std::size_t k = 0; k + 1 < sentences.size(); ++k)
        between.push_back((sentences[k].lastFrame + sentences[k + 1].firstFrame) / 2);
    const SubsequenceDtw::Match match =
        SubsequenceDtw::align(reference, window, progress, between, {}, coarseCells);
    if (match.first.empty())
        return false;
    mapped->clear();
    for (const ReferenceSpeech::Sentence& sentence : sentences)
        mapped->append(
            {match.first[std::size_t(sentence.firstFrame)] * frameSeconds,
             match.last[std::size_t(sentence.lastFrame)] * frameSeconds + windowSeconds});
    return true;
}

} // namespace CandidatePlaces
