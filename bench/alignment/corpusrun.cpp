#include "bench/alignment/corpusrun.h"

#include "align/sentencealigner.h"
#include "bench/alignment/boundaryscore.h"
#include "bench/alignment/energyspan.h"
#include "bench/alignment/proportionalsplit.h"
#include "bench/alignment/tapefile.h"
#include "bench/alignment/timelinelag.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

using namespace Qt::StringLiterals;

namespace {

using Spans = QList<SentenceAligner::Span>;

// What the header promises of a result, checked so that a fault shows as such and not as a
// poor score.
bool keepsContract(const Spans& spans, double recordingSeconds)
{
    for (qsizetype i = 0; i < spans.size(); ++i) {
        if (!(spans[i].end > spans[i].start) || spans[i].start < 0 ||
            spans[i].end > recordingSeconds + 0.001)
            return false;
        if (i + 1 < spans.size() && spans[i].end > spans[i + 1].start)
            return false;
    }
    return true;
}

Contender::Found alignWith(const std::vector<float>& samples, const QStringList& sentences,
                           bool intoPauses, bool quiet, int* progressFaults)
{
    double last = 0;
    const auto progress = [&](double done) {
        if (done < last - 1e-9 || done < 0 || done > 1 + 1e-9)
            ++*progressFaults;
        last = done;
        return true;
    };
    const auto result = SentenceAligner::align(samples, sentences, progress,
                                               {.moveBoundariesIntoPauses = intoPauses});
    if (result.outcome != SentenceAligner::Outcome::Aligned) {
        // Outside the swapped corpus the recordings all hold their text: any other outcome is
        // the aligner's failure.
        if (!quiet)
            std::fprintf(stderr, "  the aligner%s gave up on a recording of %.1f s: \"%s\"\n",
                         intoPauses ? "" : " (plain)",
                         double(samples.size()) / SentenceAligner::sampleRate,
                         qPrintable(SentenceAligner::outcomeMessage(result.outcome)));
        Contender::Found refused;
        refused.refused = true;
        return refused;
    }
    Contender::Found found;
    found.spans = result.spans;
    found.confidence = result.confidence;
    return found;
}

// The truth was measured on the player's decoding of each recording; measuring the same speech
// again in what decodeForAlignment() delivers shows that both see one timeline. Only
// recordings without noise: under noise the energy onset comes later by design.
void recheckTruth(const CorpusLesson& lesson, const std::vector<float>& samples,
                  std::vector<double>* disagreementsMs)
{
    constexpr double margin = 0.15; // under half the shortest pause
    const int rate = SentenceAligner::sampleRate;
    for (const auto& truth : lesson.truth) {
        const auto from = size_t(std::max(0.0, truth.start - margin) * rate);
        const auto to = std::min(samples.size(), size_t((truth.end + margin) * rate));
        if (to <= from)
            continue;
        const std::vector<float> window(samples.begin() + std::ptrdiff_t(from),
                                        samples.begin() + std::ptrdiff_t(to));
        const EnergySpan heard = EnergySpan::measure(window, rate);
        const double offset = double(from) / rate;
        disagreementsMs->push_back(std::abs(heard.start + offset - truth.start) * 1000);
        disagreementsMs->push_back(std::abs(heard.end + offset - truth.end) * 1000);
    }
}

// The truth widened a little into the pauses around it: what a perfect aligner returns. Scored
// like the contenders, it must come out all clean, or the scoring or the corpus is at fault.
Spans widenedTruth(const CorpusLesson& lesson)
{
    constexpr double widening = 0.1;
    Spans all = lesson.truth + lesson.otherSpeech;
    Spans spans;
    for (const auto& truth : lesson.truth) {
        double before = widening;
        double after = widening;
        for (const auto& other : std::as_const(all)) {
            if (other.end <= truth.start)
                before = std::min(before, (truth.start - other.end) / 2);
            if (other.start >= truth.end)
                after = std::min(after, (other.start - truth.end) / 2);
        }
        spans.append({std::max(0.0, truth.start - before), truth.end + after});
    }
    return spans;
}

// Checks the recording as decoded against the tape the lesson was made from, and counts the
// lesson into the corpus and the perfect placement. False, said on stderr, when the decoder
// does not deliver the tape's sound.
bool checkTruth(const CorpusLesson& lesson, const std::vector<float>& samples, Corpus* corpus,
                RunChecks* checks)
{
    const int rate = SentenceAligner::sampleRate;
    // The truth is on the player's timeline, where the aligner's times will be played; a
    // decoder that shifts the aligner's timeline would make every time here off by as much.
    // Measured on each run, since the decoder may change under a kept corpus.
    std::vector<float> tape;
    double match = 0;
    if (!TapeFile::read(lesson.tapePath, SentenceAligner::sampleRate, &tape)) {
        std::fprintf(stderr, "bench_alignment: cannot read %s\n", qPrintable(lesson.tapePath));
        return false;
    }
    const long lag = TimelineLag::measure(
        tape, samples, long((lesson.truth.first().start - 0.1) * rate), rate, &match);
    if (match < 0.9) {
        std::fprintf(stderr,
                     "bench_alignment: decodeForAlignment does not deliver the sound of "
                     "%s (correlation %.2f)\n",
                     qPrintable(lesson.audioPath), match);
        return false;
    }
    if (std::abs(lag) > std::abs(checks->decoderShiftFrames))
        checks->decoderShiftFrames = lag;
    corpus->sentences += int(lesson.sentences.size());
    corpus->noisyLessons += lesson.noisy();
    if (!lesson.noisy())
        recheckTruth(lesson, samples, &checks->truthDisagreements);
    checks->perfect.add(lesson, widenedTruth(lesson));
    return true;
}

// Scores what `contender` found in one lesson, overall and per condition, and shows it per
// lesson or per sentence when asked.
void score(const CorpusLesson& lesson, const Contender::Found& found, double recordingSeconds,
           bool verbose, bool showSpans, Contender* contender)
{
    const Spans& spans = found.spans;
    if (!spans.isEmpty() && !keepsContract(spans, recordingSeconds))
        ++contender->contractBreaches;
    contender->score.add(lesson, spans, found.confidence);
    const QStringList conditions = {u"noise "_s + lesson.noise, u"voice "_s + lesson.voice,
                                    u"pace "_s + QString::number(lesson.pace, 'f', 2),
                                    u"MP3 at "_s + QString::number(lesson.fileRate) + u" Hz"_s};
    for (const QString& condition : conditions)
        contender->byCondition[condition].add(lesson, spans);
    contender->noteMisses(lesson.name, lesson.truth, spans);
    for (qsizetype i = 0; showSpans && i < lesson.truth.size(); ++i) {
        const auto at = spans.value(i);
        std::printf("  %-16s %-22s %3lld  truth %8.3f %8.3f  found %8.3f %8.3f  %.2f\n",
                    qPrintable(lesson.name), contender->label, i + 1, lesson.truth[i].start,
                    lesson.truth[i].end, at.start, at.end, found.confidence.value(i, -1));
    }
    if (verbose) {
        BoundaryScore one;
        one.add(lesson, spans);
        std::printf("  %-16s %-6s %-5s %-22s clean %3d/%-3d median %6.0f ms worst %6.0f ms\n",
                    qPrintable(lesson.name), qPrintable(lesson.voice), qPrintable(lesson.noise),
                    contender->label, one.clean(), one.sentences(), one.errorMs(0.5),
                    one.worstMs());
    }
}

} // namespace

namespace CorpusRun {

QList<Contender> makeContenders(RunChecks* checks, bool swapped)
{
    QList<Contender> contenders;
    contenders.append({"(a) split by length", [](const auto& samples, const auto& sentences) {
                           Contender::Found found;
                           found.spans = ProportionalSplit::split(samples, sentences);
                           return found;
                       }});
    contenders.append({"(b) plain alignment", [=](const auto& samples, const auto& sentences) {
                           return alignWith(samples, sentences, false, swapped,
                                            &checks->progressFaults);
                       }});
    contenders.append({"ours", [=](const auto& samples, const auto& sentences) {
                           return alignWith(samples, sentences, true, swapped,
                                            &checks->progressFaults);
                       }});
    return contenders;
}

bool run(Corpus* corpus, RunChecks* checks, bool verbose, bool showSpans)
{
    const int rate = SentenceAligner::sampleRate;
    QString error;
    for (const CorpusLesson& lesson : std::as_const(corpus->lessons)) {
        std::vector<float> samples;
        QElapsedTimer timer;
        timer.start();
        if (!SentenceAligner::decodeForAlignment(lesson.audioPath, &samples, &error)) {
            std::fprintf(stderr, "bench_alignment: cannot decode %s: %s\n",
                         qPrintable(lesson.audioPath), qPrintable(error));
            return false;
        }
        checks->decodeSeconds += double(timer.nsecsElapsed()) / 1e9;
        const double recordingSeconds = double(samples.size()) / rate;
        corpus->audioSeconds += recordingSeconds;
        if (!corpus->swapped && !checkTruth(lesson, samples, corpus, checks))
            return false;
        for (Contender& contender : corpus->contenders) {
            const std::clock_t cpuBefore = std::clock();
            timer.start();
            const Contender::Found found = contender.run(samples, lesson.sentences);
            contender.seconds += double(timer.nsecsElapsed()) / 1e9;
            contender.cpuSeconds += double(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
            ++contender.recordings;
            contender.refused += found.refused;
            if (corpus->swapped)
                continue;
            score(lesson, found, recordingSeconds, verbose, showSpans, &contender);
        }
    }
    return true;
}

} // namespace CorpusRun
