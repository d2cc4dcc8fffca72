#include "sentencealigner.h"

#include "mfcc.h"
#include "pausefinder.h"
#include "referencespeech.h"
#include "subsequencedtw.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace SentenceAligner {

namespace {

// A text that needs this much more speech than the recording holds is not what was read.
constexpr double maxReferenceToSpeech = 2.5;
// How far from where the warping path puts a boundary the speaker's pause may lie.
constexpr int pauseReachFrames = 40;
// Kept of the pause on each side of a boundary: the fading end of a word, a soft onset.
constexpr double margin = 0.03;
constexpr double minSpanSeconds = 0.01;
constexpr double frameSeconds = double(Mfcc::hop) / Mfcc::sampleRate;
constexpr double windowSeconds = double(Mfcc::window) / Mfcc::sampleRate;

// Silent frames first..last put the silence itself from the first's window start to the
// last's window end.
double pauseStart(int firstSilent)
{
    return firstSilent * frameSeconds;
}

double pauseEnd(int lastSilent)
{
    return lastSilent * frameSeconds + windowSeconds;
}

bool hasLetter(const QStringList& sentences)
{
    return std::any_of(sentences.begin(), sentences.end(), [](const QString& s) {
        return std::any_of(s.begin(), s.end(), [](QChar c) { return c.isLetter(); });
    });
}

// Moves each boundary from where the path maps it into the pause the speaker made there.
void snapToPauses(QList<Span>* spans, const std::vector<int>& mappedStart,
                  const std::vector<int>& mappedEnd, const PauseFinder& pauses)
{
    const int count = int(spans->size());
    int earliest = 0;
    for (int k = 0; k + 1 < count; ++k) {
        const int a = std::min(mappedEnd[k], mappedStart[k + 1]);
        const int b = std::max(mappedEnd[k], mappedStart[k + 1]);
        const auto pause =
            pauses.pauseNear(a, b, std::max(earliest, a - pauseReachFrames), b + pauseReachFrames);
        if (pause) {
            const double from = pauseStart(pause->first), to = pauseEnd(pause->last);
            const double kept = std::min(margin, (to - from) / 2);
            (*spans)[k].end = from + kept;
            (*spans)[k + 1].start = to - kept;
            earliest = pause->last + 1;
        } else {
            // No pause: part the sentences where the sound is lowest between them.
            const int quiet = pauses.quietestFrame(std::max(earliest, a - 5), b + 5);
            (*spans)[k].end = (*spans)[k + 1].start = Mfcc::frameTime(quiet);
            earliest = quiet;
        }
    }
    if (const auto onset = pauses.speechEdgeNear(mappedStart.front(), pauseReachFrames, true))
        spans->front().start = std::max(0.0, (*onset == 0 ? 0 : pauseEnd(*onset - 1)) - margin);
    if (const auto offset = pauses.speechEdgeNear(mappedEnd.back(), pauseReachFrames, false))
        spans->back().end = pauseStart(*offset + 1) + margin;
}

// Every span forward in time, inside the recording, none overlapping the next.
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

} // namespace

Result align(const std::vector<float>& samples, const QStringList& sentences,
             const Progress& progress, const Options& options)
{
    Result result;
    const double duration = double(samples.size()) / sampleRate;
    bool cancelled = false;
    auto stage = [&](double from, double to) {
        return [&progress, &cancelled, from, to](double done) {
            cancelled = cancelled || (progress && !progress(from + (to - from) * done));
            return !cancelled;
        };
    };
    if (!hasLetter(sentences)) {
        result.outcome = Outcome::EmptyText;
        return result;
    }
    if (duration > maxRecordingSeconds) {
        result.outcome = Outcome::RecordingTooLong;
        return result;
    }
    if (!stage(0, 0)(0)) {
        result.outcome = Outcome::Cancelled;
        return result;
    }
    const Mfcc::Features recording = Mfcc::compute(samples);
    const PauseFinder pauses(recording.levelDb);
    if (!pauses.hasSpeech()) {
        result.outcome = Outcome::NoSpeech;
        return result;
    }
    ReferenceSpeech reference;
    if (!reference.synthesise(sentences, stage(0.05, 0.25))) {
        // Only a missing speech engine fails here without a cancel; then nothing in the
        // text could be read, much as if it held no words.
        result.outcome = cancelled ? Outcome::Cancelled : Outcome::EmptyText;
        return result;
    }
    if (reference.speechSeconds() > maxReferenceToSpeech * pauses.speechFrames() * frameSeconds) {
        result.outcome = Outcome::TextTooLong;
        return result;
    }
    const SubsequenceDtw::Match match =
        SubsequenceDtw::align(reference.features(), recording, stage(0.25, 1.0));
    if (match.first.empty()) {
        result.outcome = Outcome::Cancelled;
        return result;
    }

    std::vector<int> mappedStart, mappedEnd;
    for (const ReferenceSpeech::Sentence& sentence : reference.sentences()) {
        mappedStart.push_back(match.first[std::size_t(sentence.firstFrame)]);
        mappedEnd.push_back(match.last[std::size_t(sentence.lastFrame)]);
    }
    QList<Span> spans(sentences.size());
    for (int k = 0; k < spans.size(); ++k) {
        spans[k].start = pauseStart(mappedStart[k]);
        spans[k].end = pauseEnd(mappedEnd[k]);
    }
    if (options.moveBoundariesIntoPauses)
        snapToPauses(&spans, mappedStart, mappedEnd, pauses);
    for (int k = 0; k + 1 < spans.size(); ++k) {
        if (spans[k].end > spans[k + 1].start)
            spans[k].end = spans[k + 1].start = (spans[k].end + spans[k + 1].start) / 2;
    }
    tidy(&spans, duration);
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
        return u"课文中没有可朗读的英文句子。请检查课文文件：每行一句英文。"_s;
    case Outcome::NoSpeech:
        return u"录音中听不到说话声（可能是静音或只有噪音）。请检查录音文件。"_s;
    case Outcome::TextTooLong:
        return u"课文比录音长得多，两者似乎不是同一课。请检查课文与录音是否对应。"_s;
    case Outcome::RecordingTooLong:
        return u"录音超过 30 分钟，无法自动分句。请把录音剪成较短的几段后再导入。"_s;
    }
    return {};
}

QString carriedTime(double seconds)
{
    if (!(seconds > 0))
        return u"0"_s;
    const qint64 hundredths = std::llround(seconds * 100);
    if (hundredths == 0)
        return u"0"_s;
    QString text = QString::number(hundredths / 100);
    if (text == u"0"_s)
        text.clear();
    const int fraction = int(hundredths % 100);
    if (fraction != 0) {
        text += u'.' + QString::number(fraction / 10);
        if (fraction % 10 != 0)
            text += QString::number(fraction % 10);
    }
    return text;
}

} // namespace SentenceAligner
