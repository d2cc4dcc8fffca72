#include "align/sentencealigner.h"

#include "align/alignmentconfidence.h"
#include "align/candidateplaces.h"
#include "align/mfcc.h"
#include "align/pausefinder.h"
#include "align/pauseplacement.h"
#include "align/placementsearch.h"
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
// A recording holding twice the text's speech has room for another text much like it, as
// when two lessons share a file, and the warp may lay the text on the other one: other places
// are tried.
constexpr double otherPlacesFrom = 2;
// A text of one sentence has no neighbours to keep to: in a recording with room for others it
// may be laid on another sentence much like it, and matches there as well as on its own. Its
// confidence is never more than this, under unsureBelow, so the learner is asked to check it.
constexpr double loneSentenceConfidence = SentenceAligner::unsureBelow / 2;
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

// Whether a recording holding `speechSeconds` of speech has room for other speech much like
// the text `reference` reads: a placement there may lie on that other speech.
bool roomForOthers(double speechSeconds, const ReferenceSpeech& reference)
{
    return speechSeconds >= otherPlacesFrom * reference.speechSeconds();
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
    const bool elsewhere = roomForOthers(speechSeconds, *reference);
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
    PlacementSearch::Placement placement;
    std::vector<CandidatePlaces::Window> others;
    double warpedTo = 0;
    result.outcome = warp(recording, sentences, pauses.speechSeconds(), stages, &reference,
                          &placement.mapped, &others, &warpedTo);
    if (result.outcome != Outcome::Aligned)
        return result;
    const PlacementSearch::Material material{samples, recording, reference, pauses.speechSeconds(),
                                             options.moveBoundariesIntoPauses};
    const auto lookAgainAt = [&](PlacementSearch::Placement* again) {
        return PlacementSearch::lookAgain(material, stages.stage(0.98, 1), again);
    };
    const bool cancelled =
        !PlacementSearch::place(material, stages.stage(warpedTo, warpedTo + 0.01), &placement) ||
        !PlacementSearch::tryOtherPlaces(material, others, stages.stage(warpedTo + 0.01, 0.98),
                                         &placement) ||
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
    if (result.confidence.size() == 1 && roomForOthers(pauses.speechSeconds(), reference))
        result.confidence.front() = std::min(result.confidence.front(), loneSentenceConfidence);
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
