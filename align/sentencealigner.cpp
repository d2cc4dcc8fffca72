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
constexpr double pauseReach = 0.4;
// Kept of the pause on each side of a boundary: the fading end of a word, a soft onset; more
// where noise hides how softly the speech begins and ends.
constexpr double startMargin = 0.035;
constexpr double endMargin = 0.07;
constexpr double startMarginPerMaskedDb = 0.004;
constexpr double endMarginPerMaskedDb = 0.005;
constexpr double minSpanSeconds = 0.01;
// Past this much masking the warping path's boundaries are trusted some way into a pause.
constexpr double noisyMaskingDb = 6;
constexpr double maxFollow = 0.15;
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

// Moves each boundary from where the path maps it into the pause the speaker made there.
void snapToPauses(QList<Span>* spans, const PauseFinder& pauses)
{
    const int count = int(spans->size());
    const double kept = startMargin + startMarginPerMaskedDb * pauses.noiseMaskingDb();
    const double keptAtEnd = endMargin + endMarginPerMaskedDb * pauses.noiseMaskingDb();
    const bool noisy = pauses.noiseMaskingDb() > noisyMaskingDb;
    double earliest = 0;
    for (int k = 0; k + 1 < count; ++k) {
        const double a = std::min((*spans)[k].end, (*spans)[k + 1].start);
        const double b = std::max((*spans)[k].end, (*spans)[k + 1].start);
        const auto pause =
            pauses.pauseNear(a, b, std::max(earliest, a - pauseReach), b + pauseReach);
        if (pause) {
            const double length = pause->end - pause->start;
            double end = pause->start + std::min(keptAtEnd, length / 2);
            double start = pause->end - std::min(kept, length / 2);
            if (noisy) {
                // Noise may hide a soft ending or onset that the warping path still heard:
                // where the path reaches further into the pause, follow it some way.
                const double mappedEnd = (*spans)[k].end, mappedStart = (*spans)[k + 1].start;
                end = std::clamp(mappedEnd, end, std::min(end + maxFollow, (end + start) / 2));
                start = std::clamp(mappedStart, std::max(start - maxFollow, end), start);
            }
            (*spans)[k].end = end;
            (*spans)[k + 1].start = start;
            earliest = pause->end;
        } else {
            // No pause: part the sentences where the sound is lowest between them.
            const double quiet = pauses.quietestNear(std::max(earliest, a - 0.05), b + 0.05);
            (*spans)[k].end = (*spans)[k + 1].start = quiet;
            earliest = quiet;
        }
    }
    if (const auto onset = pauses.speechEdgeNear(spans->front().start, pauseReach, true))
        spans->front().start = std::max(0.0, *onset - kept);
    if (const auto offset = pauses.speechEdgeNear(spans->back().end, pauseReach, false))
        spans->back().end = *offset + keptAtEnd;
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
    const PauseFinder pauses(samples, sampleRate);
    if (!pauses.hasSpeech()) {
        result.outcome = Outcome::NoSpeech;
        return result;
    }
    const Mfcc::Features recording = Mfcc::compute(samples);
    ReferenceSpeech reference;
    if (!reference.synthesise(sentences, ReferenceSpeech::usualWordsPerMinute, recording.bandRange,
                              stage(0.05, 0.25))) {
        // Only a missing speech engine fails here without a cancel; then nothing in the
        // text could be read, much as if it held no words.
        result.outcome = cancelled ? Outcome::Cancelled : Outcome::EmptyText;
        return result;
    }
    if (reference.speechSeconds() > maxReferenceToSpeech * pauses.speechSeconds()) {
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
        spans[k].start = windowStart(mappedStart[k]);
        spans[k].end = windowEnd(mappedEnd[k]);
    }
    if (options.moveBoundariesIntoPauses)
        snapToPauses(&spans, pauses);
    for (int k = 0; k + 1 < spans.size(); ++k) {
        if (spans[k].end > spans[k + 1].start)
            spans[k].end = spans[k + 1].start = (spans[k].end + spans[k + 1].start) / 2;
    }
    tidy(&spans, duration);
    result.speechAfterLast = pauses.speechAfter(spans.back().end);
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
