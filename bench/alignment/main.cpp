// Sentence alignment: how close the aligner's sentence spans come to the truth, how often a
// sentence's clip is clean, how fast it runs and how much memory it takes.
//
// The corpus is made here from the sample course (see CorpusBuilder) and cached beside the
// build. Two baselines run on the same recordings in the same run: cutting the speech in
// proportion to sentence length, and the aligner without its search for pauses.
#include "align/sentencealigner.h"
#include "bench/alignment/alignmentreport.h"
#include "bench/alignment/boundaryscore.h"
#include "bench/alignment/contender.h"
#include "bench/alignment/corpusbuilder.h"
#include "bench/alignment/energyspan.h"
#include "bench/alignment/flitevoice.h"
#include "bench/alignment/joinedcorpus.h"
#include "bench/alignment/peakmemory.h"
#include "bench/alignment/proportionalsplit.h"
#include "bench/alignment/tapefile.h"
#include "bench/alignment/timelinelag.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <map>

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

// What the whole run gathers over every corpus, for the checks that the measurement itself is
// sound.
struct RunChecks
{
    double decodeSeconds = 0;
    std::vector<double> truthDisagreements;
    long decoderShiftFrames = 0;
    BoundaryScore perfect;
    int progressFaults = 0;
};

struct Corpus
{
    QString name;
    QList<CorpusLesson> lessons;
    bool swapped = false; // every text belongs to another recording: all must be refused
    QList<Contender> contenders;
    double audioSeconds = 0;
    int sentences = 0;
    int noisyLessons = 0;
};

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
        if (!corpus->swapped) {
            // The truth is on the player's timeline, where the aligner's times will be played;
            // a decoder that shifts the aligner's timeline would make every time here off by
            // as much. Measured on each run, since the decoder may change under a kept corpus.
            std::vector<float> tape;
            double match = 0;
            if (!TapeFile::read(lesson.tapePath, SentenceAligner::sampleRate, &tape)) {
                std::fprintf(stderr, "bench_alignment: cannot read %s\n",
                             qPrintable(lesson.tapePath));
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
        }
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
            const Spans& spans = found.spans;
            if (!spans.isEmpty() && !keepsContract(spans, recordingSeconds))
                ++contender.contractBreaches;
            contender.score.add(lesson, spans, found.confidence);
            const QStringList conditions = {u"noise "_s + lesson.noise, u"voice "_s + lesson.voice,
                                            u"pace "_s + QString::number(lesson.pace, 'f', 2),
                                            u"MP3 at "_s + QString::number(lesson.fileRate) +
                                                u" Hz"_s};
            for (const QString& condition : conditions)
                contender.byCondition[condition].add(lesson, spans);
            contender.noteMisses(lesson.name, lesson.truth, spans);
            for (qsizetype i = 0; showSpans && i < lesson.truth.size(); ++i) {
                const auto at = spans.value(i);
                std::printf("  %-16s %-22s %3lld  truth %8.3f %8.3f  found %8.3f %8.3f  %.2f\n",
                            qPrintable(lesson.name), contender.label, i + 1, lesson.truth[i].start,
                            lesson.truth[i].end, at.start, at.end, found.confidence.value(i, -1));
            }
            if (verbose) {
                BoundaryScore one;
                one.add(lesson, spans);
                std::printf(
                    "  %-16s %-6s %-5s %-22s clean %3d/%-3d median %6.0f ms worst %6.0f ms\n",
                    qPrintable(lesson.name), qPrintable(lesson.voice), qPrintable(lesson.noise),
                    contender.label, one.clean(), one.sentences(), one.errorMs(0.5), one.worstMs());
            }
        }
    }
    return true;
}

// Lessons of `from` in turn until `seconds` are reached (all of them when 0).
QList<CorpusLesson> enough(const QList<CorpusLesson>& from, double seconds)
{
    QList<CorpusLesson> parts;
    double total = 0;
    // Whole lessons while they fit: the long recording must stay within the aligner's limit.
    for (const CorpusLesson& lesson : from) {
        if (seconds > 0 && total + lesson.seconds > seconds)
            break;
        parts.append(lesson);
        total += lesson.seconds;
    }
    return parts;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1 && qstrcmp(argv[1], PeakMemory::childFlag) == 0) {
        QCoreApplication app(argc, argv);
        return PeakMemory::runChild(app.arguments().mid(2));
    }
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const bool quick = arguments.contains(u"--quick"_s);
    const bool verbose = arguments.contains(u"--verbose"_s);
    const bool showSpans = arguments.contains(u"--spans"_s);
    const qsizetype onlyAt = arguments.indexOf(u"--only"_s);
    const QString only = onlyAt > 0 ? arguments.value(onlyAt + 1) : QString();
    const qsizetype corpusAt = arguments.indexOf(u"--corpus"_s);
    const QStringList allCorpora = {u"lessons"_s, u"words"_s, u"pairs"_s, u"long"_s, u"swapped"_s};
    const QStringList chosen =
        corpusAt > 0 ? arguments.value(corpusAt + 1).split(u',') : allCorpora;
    const bool memory = !quick && only.isEmpty() && !arguments.contains(u"--no-memory"_s);
    const bool heldOut = arguments.contains(u"--held-out"_s);
    const QStringList known = {u"--quick"_s,     u"--verbose"_s, u"--spans"_s,
                               u"--no-memory"_s, u"--only"_s,    u"--held-out"_s,
                               u"--corpus"_s,    only,           arguments.value(corpusAt + 1)};
    const bool unknown = std::any_of(arguments.begin() + 1, arguments.end(),
                                     [&](const QString& a) { return !known.contains(a); }) ||
                         std::any_of(chosen.begin(), chosen.end(),
                                     [&](const QString& c) { return !allCorpora.contains(c); });
    if (unknown || arguments.contains(u"--help"_s) || (onlyAt > 0 && only.isEmpty())) {
        std::printf("usage: bench_alignment [--quick] [--no-memory] [--only TEXT] [--corpus LIST] "
                    "[--verbose] [--spans] [--held-out]\n"
                    "  --quick        a third of the lessons, no memory measurement\n"
                    "  --no-memory    skip aligning a 30 minute recording in a child process\n"
                    "  --only TEXT    only the lessons whose name holds TEXT (\"book2/\", "
                    "\"book1/lesson001\"),\n"
                    "                 no memory measurement\n"
                    "  --corpus LIST  some of lessons,words,pairs,long,swapped (all by default):\n"
                    "                 each lesson's text; its new words read as a word list;\n"
                    "                 two lessons in one file, each text alone; every lesson and\n"
                    "                 word list in one recording of 25 minutes or more (a third\n"
                    "                 of that with --quick); each recording with another's text\n"
                    "  --verbose      one line per lesson\n"
                    "  --spans        every sentence's true and found times and confidence\n"
                    "  --held-out     another corpus: the same texts with other voices, pauses,\n"
                    "                 noise and file rates than the aligner was tuned on\n");
        return unknown ? 1 : 0;
    }
    if (!FliteVoice::available()) {
        std::fprintf(stderr, "bench_alignment cannot run: flite is not installed\n");
        return 1;
    }

    const QString cacheDir =
        QStringLiteral(ORLUNE_ALIGNMENT_CACHE_DIR) + (heldOut ? u"-held-out"_s : QString());
    QString error;
    int madeLessons = 0;
    // Each lesson's text, or its word list, read as the builder reads it.
    auto build = [&](CorpusBuilder::Reading reading, const QString& dir,
                     QList<CorpusLesson>* lessons) {
        CorpusBuilder builder(QStringLiteral(ORLUNE_COURSE_DIR), dir, heldOut ? 1 : 0, reading);
        const QStringList names = builder.lessonNames(&error);
        if (names.isEmpty()) {
            std::fprintf(stderr, "bench_alignment cannot run: the corpus is empty (%s)\n",
                         qPrintable(error.isEmpty() ? u"no lesson with sentences"_s : error));
            return false;
        }
        for (int ordinal = 0; ordinal < names.size(); ++ordinal) {
            // Every third lesson from the second on: this third holds every voice, file rate
            // and kind of noise.
            if ((quick && ordinal % 3 != 1) || !names[ordinal].contains(only))
                continue;
            CorpusLesson lesson;
            if (!builder.lesson(names[ordinal], ordinal, &lesson, &error)) {
                std::fprintf(stderr, "bench_alignment cannot make its corpus: %s\n",
                             qPrintable(error));
                return false;
            }
            lessons->append(lesson);
        }
        madeLessons += builder.madeCount();
        if (lessons->isEmpty()) {
            std::fprintf(stderr, "bench_alignment: no lesson's name holds \"%s\"\n",
                         qPrintable(only));
            return false;
        }
        return true;
    };
    QList<CorpusLesson> texts, wordLists;
    if (!build(CorpusBuilder::Reading::Text, cacheDir, &texts))
        return 1;
    const bool needWords = chosen.contains(u"words"_s) || chosen.contains(u"long"_s);
    if (needWords && !build(CorpusBuilder::Reading::Words, cacheDir + u"-words"_s, &wordLists))
        return 1;

    RunChecks checks;
    QList<Corpus> corpora;
    const QString joinedDir = cacheDir + u"-joined"_s;
    QDir().mkpath(joinedDir);
    for (const QString& name : chosen) {
        Corpus corpus;
        corpus.name = name;
        if (name == u"lessons"_s) {
            corpus.lessons = texts;
        } else if (name == u"words"_s) {
            corpus.lessons = wordLists;
        } else if (name == u"pairs"_s) {
            for (qsizetype i = 0; i + 1 < texts.size(); i += 2) {
                const QList<CorpusLesson> pair = {texts[i], texts[i + 1]};
                CorpusLesson joined;
                if (!JoinedCorpus::join(pair, u"pair"_s + QString::number(i / 2),
                                        joinedDir + u"/pair"_s + QString::number(i / 2) +
                                            u".flac"_s,
                                        &joined, &error)) {
                    std::fprintf(stderr, "bench_alignment: %s\n", qPrintable(error));
                    return 1;
                }
                corpus.lessons += JoinedCorpus::eachPartAlone(pair, joined);
            }
        } else if (name == u"long"_s) {
            // A book's lessons in one file, each text followed by its word list, each with its
            // own announcement and closing: the aligner must keep its place throughout.
            QList<CorpusLesson> interleaved;
            for (qsizetype i = 0; i < texts.size(); ++i) {
                interleaved.append(texts[i]);
                for (const CorpusLesson& list : std::as_const(wordLists))
                    if (list.name == texts[i].name)
                        interleaved.append(list);
            }
            const double target = SentenceAligner::maxRecordingSeconds - 60;
            CorpusLesson joined;
            if (!JoinedCorpus::join(enough(interleaved, quick ? 0 : target), u"long"_s,
                                    joinedDir + u"/long.flac"_s, &joined, &error)) {
                std::fprintf(stderr, "bench_alignment: %s\n", qPrintable(error));
                return 1;
            }
            corpus.lessons = {joined};
        } else if (name == u"swapped"_s) {
            corpus.swapped = true;
            corpus.lessons = JoinedCorpus::swapped(texts, int(texts.size() / 2));
        }
        corpus.contenders = makeContenders(&checks, corpus.swapped);
        corpora.append(corpus);
    }

    // The first alignment starts the reference synthesiser; measured apart, so that neither
    // contender is charged for it in the table.
    double startSeconds = 0;
    {
        std::vector<float> samples;
        QElapsedTimer timer;
        if (SentenceAligner::decodeForAlignment(texts.first().audioPath, &samples, &error)) {
            timer.start();
            SentenceAligner::align(samples, texts.first().sentences);
            startSeconds = double(timer.nsecsElapsed()) / 1e9;
        }
    }
    for (Corpus& corpus : corpora) {
        std::fprintf(stderr, "aligning the %s corpus...\n", qPrintable(corpus.name));
        if (!run(&corpus, &checks, verbose, showSpans))
            return 1;
    }

    PeakMemory::Result peak;
    if (memory) {
        std::fprintf(stderr, "aligning a 30 minute recording in a child process...\n");
        peak = PeakMemory::measure(app.applicationFilePath(), cacheDir,
                                   SentenceAligner::maxRecordingSeconds - 1);
    }

    QFile loadAverage(u"/proc/loadavg"_s);
    const QString load = loadAverage.open(QIODevice::ReadOnly)
                             ? QString::fromLatin1(loadAverage.readAll()).section(u' ', 0, 0)
                             : QString();
    for (const Corpus& corpus : std::as_const(corpora)) {
        if (corpus.name != u"lessons"_s)
            continue;
        RunTotals totals;
        totals.lessons = int(corpus.lessons.size());
        totals.sentences = corpus.sentences;
        totals.noisyLessons = corpus.noisyLessons;
        totals.madeLessons = madeLessons;
        totals.audioSeconds = corpus.audioSeconds;
        totals.decodeSeconds = checks.decodeSeconds * corpus.audioSeconds / std::max(1.0, [&] {
                                   double all = 0;
                                   for (const Corpus& c : std::as_const(corpora))
                                       all += c.audioSeconds;
                                   return all;
                               }());
        totals.startSeconds = startSeconds;
        totals.startAudioSeconds = texts.first().seconds;
        totals.quick = quick;
        totals.memory = memory;
        totals.cacheDir = cacheDir;
        totals.loadAverage = load;
        AlignmentReport::print(totals, corpus.contenders, peak);
    }
    std::printf("\nevery corpus%s%s\n", heldOut ? " (held out)" : " (tuned)",
                quick ? ", --quick" : "");
    for (const Corpus& corpus : std::as_const(corpora))
        AlignmentReport::printCorpus(corpus.name, corpus.swapped, corpus.audioSeconds,
                                     corpus.contenders);

    bool sane = true;
    std::vector<double>& truthDisagreements = checks.truthDisagreements;
    const BoundaryScore& perfect = checks.perfect;
    const int rate = SentenceAligner::sampleRate;
    std::sort(truthDisagreements.begin(), truthDisagreements.end());
    if (!truthDisagreements.empty()) {
        const double median = truthDisagreements[truthDisagreements.size() / 2];
        const double p95 = truthDisagreements[truthDisagreements.size() * 95 / 100];
        // Single faint ends may differ by tens of milliseconds: the aligner hears the recording
        // through its resampler's low-pass. Only a shift of the bulk means a wrong truth.
        std::printf("truth check: speech measured again in what the aligner reads (lessons "
                    "without noise)\n  is off the truth by %.1f ms median, %.1f ms at the 95th "
                    "percentile\n",
                    median, p95);
        if (median > 5) {
            std::printf("WARNING: the truth does not match the decoded recordings\n");
            sane = false;
        }
    }
    std::printf("scoring check: the truth widened up to 100 ms into its pauses scores %.1f%% "
                "clean\n",
                perfect.cleanShare() * 100);
    if (perfect.clean() != perfect.sentences()) {
        std::printf("WARNING: a perfect alignment does not score as clean\n");
        sane = false;
    }
    const double decoderShiftMs = double(checks.decoderShiftFrames) * 1000 / rate;
    std::printf("decodeForAlignment's timeline against the player's: at most %.2f ms apart\n",
                decoderShiftMs);
    if (std::abs(checks.decoderShiftFrames) > rate / 1000) {
        std::printf("WARNING: decodeForAlignment shifts the recording; its times will be off when "
                    "played\n");
        sane = false;
    }
    for (const Corpus& corpus : std::as_const(corpora)) {
        for (const Contender& contender : corpus.contenders) {
            if (contender.contractBreaches > 0) {
                std::printf("WARNING: %s broke the span contract (end > start, ordered, inside "
                            "the recording) in %d recordings of the %s corpus\n",
                            contender.label, contender.contractBreaches, qPrintable(corpus.name));
                sane = false;
            }
        }
    }
    if (checks.progressFaults > 0) {
        std::printf("WARNING: progress went backwards or outside 0..1 %d times\n",
                    checks.progressFaults);
        sane = false;
    }
    return sane ? 0 : 2;
}
