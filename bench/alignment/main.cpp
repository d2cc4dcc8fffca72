// Sentence alignment: how close the aligner's sentence spans come to the truth, how often a
// sentence's clip is clean, how fast it runs and how much memory it takes.
//
// The corpus is made here from the sample course (see CorpusBuilder) and cached beside the
// build. Two baselines run on the same recordings in the same run: cutting the speech in
// proportion to sentence length, and the aligner without its search for pauses.
#include "align/sentencealigner.h"
#include "bench/alignment/alignmentreport.h"
#include "bench/alignment/boundaryscore.h"
#include "bench/alignment/corpusbuilder.h"
#include "bench/alignment/corpusrun.h"
#include "bench/alignment/flitevoice.h"
#include "bench/alignment/joinedcorpus.h"
#include "bench/alignment/peakmemory.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

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
        corpus.contenders = CorpusRun::makeContenders(&checks, corpus.swapped);
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
        if (!CorpusRun::run(&corpus, &checks, verbose, showSpans))
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
