#include "align/sentencealigner.h"

#include "align/alignmentconfidence.h"
#include "align/anchoredrealign.h"
#include "align/candidateplaces.h"
#include "align/mfcc.h"
#include "align/pausefinder.h"
#include "align/pauseplacement.h"
#include "align/referencespeech.h"
#include "align/speechedges.h"
#include "align/subsequencedtw.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace SentenceAligner {

namespace {

// A text that needs this much more speech than the recording holds is not what was read.
constexpr double maxReferenceToSpeech = 2.5;
// No reader is this quick: letters a second at twice the pace of a fast speaker. A text that
// needs too much speech even at this pace is refused before any of it is synthesised.
constexpr double fastestLettersPerSecond = 40;
// A recording holding this many times the text's speech has room for another text much like
// it, where the warp may lay the text instead of where it was read: other places are tried.
constexpr double otherPlacesFrom = AlignmentConfidence::roomForAnother;
constexpr double frameSeconds = double(Mfcc::hop) / Mfcc::sampleRate;
constexpr double windowSeconds = double(Mfcc::window) / Mfcc::sampleRate;

// Where a feature frame's window starts and ends.
double windowStart(int frame)
{
    return frame * frameSeconds;
}

double windowEnd(int frame)
{
    return frame * frameSeconds + windowSeconds;
}

// Only English can be read for the reference; a text of Chinese alone is most likely the
// translations chosen in place of the text, and would be matched to anything.
bool hasLetter(const QStringList& sentences)
{
    return std::any_of(sentences.begin(), sentences.end(), [](const QString& s) {
        return std::any_of(s.begin(), s.end(), [](QChar c) {
            return c.isLetter() && c.script() == QChar::Script_Latin;
        });
    });
}

// The outcome for a text that cannot be what was read in a recording holding `speechSeconds`
// of speech, judged from its letters alone, or Aligned when it may be.
Outcome refuseBeforeSynthesis(const QStringList& sentences, double speechSeconds)
{
    qint64 letters = 0;
    for (const QString& sentence : sentences) {
        if (sentence.size() > maxSentenceCharacters)
            return Outcome::SentenceTooLong;
        letters += std::count_if(sentence.begin(), sentence.end(),
                                 [](QChar c) { return c.isLetterOrNumber(); });
    }
    const double leastSpeech = double(letters) / fastestLettersPerSecond;
    return leastSpeech > maxReferenceToSpeech * speechSeconds ? Outcome::TextTooLong
                                                              : Outcome::Aligned;
}

// The share of the work done, from each stage's own share of it; a cancel is remembered.
class Stages
{
public:
    explicit Stages(const Progress& progress) : m_progress(progress) {}
    std::function<bool(double)> stage(double from, double to)
    {
        return [this, from, to](double done) {
            m_cancelled = m_cancelled || (m_progress && !m_progress(from + (to - from) * done));
            return !m_cancelled;
        };
    }
    bool cancelled() const { return m_cancelled; }

private:
    const Progress& m_progress;
    bool m_cancelled = false;
};

// Aligned unless the text or the recording can be refused before any work on them.
Outcome refuseAtOnce(const std::vector<float>& samples, const QStringList& sentences,
                     Stages& stages)
{
    if (!hasLetter(sentences))
        return Outcome::EmptyText;
    if (double(samples.size()) / sampleRate > maxRecordingSeconds)
        return Outcome::RecordingTooLong;
    if (!stages.stage(0, 0)(0))
        return Outcome::Cancelled;
    return Outcome::Aligned;
}

// Reads the text aloud into `reference` and warps it onto the recording: each sentence's span
// where the path maps its reference into `spans`, and in a recording with room for the text
// several times over, the windows where it may have been read instead into `others`.
Outcome warp(const Mfcc::Features& recording, const QStringList& sentences, double speechSeconds,
             Stages& stages, ReferenceSpeech* reference, QList<Span>* spans,
             std::vector<CandidatePlaces::Window>* others, double* warpedTo)
{
    const double speechLimit = maxReferenceToSpeech * speechSeconds;
    if (!reference->synthesise(sentences, ReferenceSpeech::usualWordsPerMinute, recording.bandRange,
                               stages.stage(0.05, 0.25), speechLimit)) {
        // Only a missing speech engine fails here without a cancel or an excess; then nothing
        // in the text could be read, much as if it held no words.
        return stages.cancelled()      ? Outcome::Cancelled
               : reference->exceeded() ? Outcome::TextTooLong
                                       : Outcome::EmptyText;
    }
    if (reference->speechSeconds() > speechLimit)
        return Outcome::TextTooLong;
    // The middle of each pause between two sentences: where the recording may hold speech
    // the text does not.
    const std::vector<ReferenceSpeech::Sentence>& said = reference->sentences();
    std::vector<int> between;
    for (std::size_t k = 0; k + 1 < said.size(); ++k)
        between.push_back((said[k].lastFrame + said[k + 1].firstFrame) / 2);
    // A text in a recording far longer than its reading is looked for again in windows of the
    // recording, which takes longer than this warp: the progress leaves most of its way to them.
    const bool elsewhere = speechSeconds >= otherPlacesFrom * reference->speechSeconds();
    *warpedTo = elsewhere ? 0.4 : 0.95;
    const SubsequenceDtw::Match match = SubsequenceDtw::align(
        reference->features(), recording, stages.stage(0.25, *warpedTo), between);
    if (match.first.empty())
        return Outcome::Cancelled;
    spans->clear();
    for (const ReferenceSpeech::Sentence& sentence : said)
        spans->append({windowStart(match.first[std::size_t(sentence.firstFrame)]),
                       windowEnd(match.last[std::size_t(sentence.lastFrame)])});
    others->clear();
    if (elsewhere)
        *others = CandidatePlaces::otherWindows(match.first.front(), match.last.back() + 1,
                                                reference->features().frames, recording.frames);
    return Outcome::Aligned;
}

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
        result->confidence.append(AlignmentConfidence::sentence(evidence));
    }
    whole.recordingToText = speechSeconds / std::max(reference.speechSeconds(), 1e-3);
    if (whole.recordingToText >= AlignmentConfidence::roomForAnother)
        whole.neighbourRatios = neighbourRatios(reference, recording, spans);
    result->textConfidence = AlignmentConfidence::text(whole);
}

// What each placement of the sentences is made from and judged against.
struct Material
{
    const std::vector<float>& samples;
    const Mfcc::Features& recording;
    const ReferenceSpeech& reference;
    double speechSeconds = 0;
    bool intoPauses = true;
};

// The spans a warp maps, the same moved into the pauses, the pauses at their ends and how sure
// the aligner is of them.
struct Placement
{
    QList<Span> mapped;
    QList<Span> spans;
    std::vector<bool> paused;
    Result judged;
    // Before any pause search or judging: how well the sentences match where the warp laid
    // them, forwards against backwards (AlignmentConfidence::matchRatio, lower is better).
    double roughMatch = 1;
};

void judge(const Material& material, Placement* placement)
{
    placement->judged = {};
    judge(material.reference, material.recording, material.speechSeconds, placement->spans,
          placement->paused, &placement->judged);
}

// Places the sentences from `placement->mapped`: boundaries moved into the pauses (unless
// the material says not to), tidied and judged. False when cancelled.
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

double meanOf(const QList<double>& values, int first, int last)
{
    double sum = 0;
    for (int k = first; k < last; ++k)
        sum += values[k];
    return sum / std::max(1, last - first);
}

// Whether `a` is a surer placement of the whole text than `b`: first that the text was read
// there, then that its sentences were.
bool surer(const Result& a, const Result& b)
{
    const auto sureness = [](const Result& r) {
        return r.textConfidence + meanOf(r.confidence, 0, int(r.confidence.size()));
    };
    return sureness(a) > sureness(b);
}

// The text warped onto `window` of the recording heard alone, its features normalised over
// the window itself (a clean lesson beside a noisy one would otherwise pull the noisy one's
// features off), and when `judge` is set placed and judged as strictly as on the whole
// recording: each window tried is another chance for a text read elsewhere to pass, so its
// sentences must still match their own spans better than their neighbours'. The spans on the
// whole recording's timeline. False when cancelled.
bool placeIn(const Material& whole, CandidatePlaces::Window window, bool judge,
             const std::function<bool(double)>& progress, Placement* placement)
{
    const std::size_t first = std::size_t(window.from) * Mfcc::hop;
    const std::size_t last =
        std::min(whole.samples.size(), std::size_t(window.to) * Mfcc::hop + Mfcc::window);
    const std::vector<float> part(whole.samples.begin() + std::ptrdiff_t(first),
                                  whole.samples.begin() + std::ptrdiff_t(last));
    const Mfcc::Features features = Mfcc::compute(part);
    const Material material{part, features, whole.reference, whole.speechSeconds, whole.intoPauses};
    const auto half = [&](double from) {
        return [&progress, from](double done) { return progress(from + done / 2); };
    };
    if (!CandidatePlaces::warpIn(whole.reference.features(), whole.reference.sentences(), features,
                                 &placement->mapped, half(0)) ||
        (judge && !place(material, half(0.5), placement)))
        return false;
    if (!judge)
        placement->roughMatch = CandidatePlaces::roughMatch(
            whole.reference.features(), whole.reference.sentences(), features, placement->mapped);
    const double offset = double(first) / sampleRate;
    for (int k = 0; k < placement->mapped.size(); ++k) {
        placement->mapped[k] = {placement->mapped[k].start + offset,
                                placement->mapped[k].end + offset};
        if (judge)
            placement->spans[k] = {placement->spans[k].start + offset,
                                   placement->spans[k].end + offset};
    }
    return true;
}

// The text warped alone in each of `windows`; where its sentences match best, warped again on
// the stretch it was laid on there, placed and judged as the first warp's place was; the
// surest place kept in `placement`. None is tried once a place is clearly sure, the first
// warp's included. False when cancelled.
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
        if (!placeIn(whole, windows[w], false, share(double(w) * each, double(w + 1) * each),
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
                     true,
                     share(roughShare + double(k) * closer, roughShare + double(k + 1) * closer),
                     &other))
            return false;
        if (surer(other.judged, placement->judged))
            *placement = std::move(other);
    }
    return true;
}

// Warps the runs of unsure sentences in `placement` again between the sure ones around them
// and keeps each run's new spans where its sentences come out surer. False when cancelled.
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
    if (!AnchoredRealign::realign(material.reference.features(), material.reference.sentences(),
                                  material.recording, runs, &again.mapped, half(0)) ||
        !place(material, half(0.5), &again))
        return false;
    for (const AnchoredRealign::Run& run : runs) {
        if (meanOf(again.judged.confidence, run.first, run.last) <=
            meanOf(placement->judged.confidence, run.first, run.last))
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

} // namespace

Result align(const std::vector<float>& samples, const QStringList& sentences,
             const Progress& progress, const Options& options)
{
    Result result;
    Stages stages(progress);
    result.outcome = refuseAtOnce(samples, sentences, stages);
    if (result.outcome != Outcome::Aligned)
        return result;
    const PauseFinder pauses(samples, sampleRate);
    result.outcome = pauses.hasSpeech() ? refuseBeforeSynthesis(sentences, pauses.speechSeconds())
                                        : Outcome::NoSpeech;
    if (result.outcome != Outcome::Aligned)
        return result;
    const Mfcc::Features recording = Mfcc::compute(samples, {}, stages.stage(0, 0.05));
    if (stages.cancelled()) {
        result.outcome = Outcome::Cancelled;
        return result;
    }
    ReferenceSpeech reference;
    Placement placement;
    std::vector<CandidatePlaces::Window> others;
    double warpedTo = 0;
    result.outcome = warp(recording, sentences, pauses.speechSeconds(), stages, &reference,
                          &placement.mapped, &others, &warpedTo);
    if (result.outcome != Outcome::Aligned)
        return result;
    const Material material{samples, recording, reference, pauses.speechSeconds(),
                            options.moveBoundariesIntoPauses};
    const auto lookAgainAt = [&](Placement* again) {
        return lookAgain(material, stages.stage(0.98, 1), again);
    };
    const bool cancelled =
        !place(material, stages.stage(warpedTo, warpedTo + 0.01), &placement) ||
        !tryOtherPlaces(material, others, stages.stage(warpedTo + 0.01, 0.98), &placement) ||
        !CandidatePlaces::secondLook(&placement, lookAgainAt);
    if (cancelled) {
        result.outcome = Outcome::Cancelled;
        return result;
    }
    result.textConfidence = placement.judged.textConfidence;
    if (result.textConfidence < AlignmentConfidence::refuseBelow) {
        result.outcome = Outcome::TextNotInRecording;
        return result;
    }
    result.confidence = placement.judged.confidence;
    result.speechAfterLast = pauses.speechAfter(placement.spans.back().end);
    result.spans = placement.spans;
    return result;
}

Result placeTimed(const std::vector<float>& samples, const QList<Span>& given,
                  const Options& options)
{
    Result result;
    const double duration = double(samples.size()) / sampleRate;
    if (given.isEmpty()) {
        result.outcome = Outcome::EmptyText;
        return result;
    }
    if (duration > maxRecordingSeconds) {
        result.outcome = Outcome::RecordingTooLong;
        return result;
    }
    QList<Span> spans = given;
    for (int k = 0; k < spans.size(); ++k) {
        if (spans[k].end < 0)
            spans[k].end = k + 1 < spans.size() ? spans[k + 1].start : duration;
    }
    const PauseFinder pauses(samples, sampleRate);
    if (options.moveBoundariesIntoPauses && pauses.hasSpeech()) {
        QList<Span> edges, limits;
        std::vector<bool> paused;
        PausePlacement::findPauses(spans, pauses, &edges, &limits, &paused);
        const SpeechEdges speech(samples, pauses.noiseMaskingDb(), {});
        spans = speech.refine(edges, limits);
    }
    PausePlacement::tidy(&spans, duration);
    result.speechAfterLast = pauses.hasSpeech() && pauses.speechAfter(spans.back().end);
    result.spans = spans;
    return result;
}

QString outcomeMessage(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Aligned:
        return {};
    case Outcome::Cancelled:
        return u"已取消自动分句。"_s;
    case Outcome::EmptyText:
        return u"课文中没有可朗读的英文句子（是不是选成了译文？）。请检查课文文件：每行一句英文。"_s;
    case Outcome::NoSpeech:
        return u"录音中听不到说话声（可能是静音或只有噪音）。请检查录音文件。"_s;
    case Outcome::TextTooLong:
        return u"课文比录音长得多，两者似乎不是同一课。请检查课文与录音是否对应。"_s;
    case Outcome::RecordingTooLong:
        return u"录音超过 30 分钟，无法自动分句。请把录音剪成较短的几段后再导入。"_s;
    case Outcome::SentenceTooLong:
        return u"课文中有一句超过 %1 个字符，可能缺少句末标点。请在每句末尾加上句号、问号或叹号，或每句一行，然后再试。"_s
            .arg(maxSentenceCharacters);
    case Outcome::TextNotInRecording:
        return u"在录音中找不到这篇课文的朗读，课文和录音似乎不是同一课。请检查是否选错了课文或录音。"_s;
    }
    return {};
}

} // namespace SentenceAligner
