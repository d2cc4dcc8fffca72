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
#include <optional>

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

struct Options
{
    bool quick = false;
    bool verbose = false;
    bool showSpans = false;
    bool memory = false;
    bool heldOut = false;
    QString only;
    QStringList corpora;
};

void printUsage()
{
    std::printf("usage: bench_alignment [--quick] [--no-memory] [--only TEXT] [--corpus LIST] "
                "[--verbose] [--spans] [--held-out]\n"
                "  --quick        a third of the lessons, no memory measurement\n"
                "  --no-memory    skip aligning a 30 minute recording in a child process\n"
                "  --only TEXT    only the lessons whose name holds TEXT (\"book2/\", "
                "\"book1/lesson001\"),\n"
                "                 no memory measurement\n"
                "  --corpus LIST  some of lessons,words,pairs,long,swapped,swappedlists (all\n"
                "                 by default): each lesson's text; its new words read as a\n"
                "                 word list; two lessons in one file, each text alone; every\n"
                "                 lesson and word list in one recording of 25 minutes or more\n"
                "                 (a third of that with --quick); each text's recording with\n"
                "                 another's text; each word list's with another's list\n"
                "  --verbose      one line per lesson\n"
                "  --spans        every sentence's true and found times and confidence\n"
                "  --held-out     another corpus: the same texts with other voices, pauses,\n"
                "                 noise and file rates than the aligner was tuned on\n");
}

// The options, or nothing with the exit code when the usage was asked for or the command line
// holds something unknown.
std::optional<Options> readOptions(const QStringList& arguments, int* exitCode)
{
    Options options;
    options.quick = arguments.contains(u"--quick"_s);
    options.verbose = arguments.contains(u"--verbose"_s);
    options.showSpans = arguments.contains(u"--spans"_s);
    options.heldOut = arguments.contains(u"--held-out"_s);
    const qsizetype onlyAt = arguments.indexOf(u"--only"_s);
    options.only = onlyAt > 0 ? arguments.value(onlyAt + 1) : QString();
    const qsizetype corpusAt = arguments.indexOf(u"--corpus"_s);
    const QStringList allCorpora = {u"lessons"_s, u"words"_s,   u"pairs"_s,
                                    u"long"_s,    u"swapped"_s, u"swappedlists"_s};
    options.corpora = corpusAt > 0 ? arguments.value(corpusAt + 1).split(u',') : allCorpora;
    options.memory =
        !options.quick && options.only.isEmpty() && !arguments.contains(u"--no-memory"_s);
    const QStringList known = {u"--quick"_s,  u"--verbose"_s,
                               u"--spans"_s,  u"--no-memory"_s,
                               u"--only"_s,   u"--held-out"_s,
                               u"--corpus"_s, u"--help"_s,
                               options.only,  arguments.value(corpusAt + 1)};
    const bool unknown = std::any_of(arguments.begin() + 1, arguments.end(),
                                     [&](const QString& a) { return !known.contains(a); }) ||
                         std::any_of(options.corpora.begin(), options.corpora.end(),
                                     [&](const QString& c) { return !allCorpora.contains(c); });
    if (unknown || arguments.contains(u"--help"_s) || (onlyAt > 0 && options.only.isEmpty())) {
        printUsage();
        *exitCode = unknown ? 1 : 0;
        return std::nullopt;
    }
    return options;
}

// Each lesson's text, or its word list, read as the builder reads it; counts the lessons it
// had to make rather than find in its cache.
bool buildLessons(const Options& options, CorpusBuilder::Reading reading, const QString& dir,
                  QList<CorpusLesson>* lessons, int* made)
{
    QString error;
    CorpusBuilder builder(QStringLiteral(ORLUNE_COURSE_DIR), dir, options.heldOut ? 1 : 0, reading);
    const QStringList names = builder.lessonNames(&error);
    if (names.isEmpty()) {
        std::fprintf(stderr, "bench_alignment cannot run: the corpus is empty (%s)\n",
                     qPrintable(error.isEmpty() ? u"no lesson with sentences"_s : error));
        return false;
    }
    for (int ordinal = 0; ordinal < names.size(); ++ordinal) {
        // Every third lesson from the second on: this third holds every voice, file rate and
        // kind of noise.
        if ((options.quick && ordinal % 3 != 1) || !names[ordinal].contains(options.only))
            continue;
        CorpusLesson lesson;
        if (!builder.lesson(names[ordinal], ordinal, &lesson, &error)) {
            std::fprintf(stderr, "bench_alignment cannot make its corpus: %s\n", qPrintable(error));
            return false;
        }
        lessons->append(lesson);
    }
    *made += builder.madeCount();
    if (lessons->isEmpty()) {
        std::fprintf(stderr, "bench_alignment: no lesson's name holds \"%s\"\n",
                     qPrintable(options.only));
        return false;
    }
    return true;
}

// The recordings and texts of one corpus, joined into files under `joinedDir` where the corpus
// needs them.
bool makeCorpus(const QString& name, const QList<CorpusLesson>& texts,
                const QList<CorpusLesson>& wordLists, bool quick, const QString& joinedDir,
                Corpus* corpus)
{
    QString error;
    corpus->name = name;
    if (name == u"lessons"_s) {
        corpus->lessons = texts;
    } else if (name == u"words"_s) {
        corpus->lessons = wordLists;
    } else if (name == u"pairs"_s) {
        for (qsizetype i = 0; i + 1 < texts.size(); i += 2) {
            const QList<CorpusLesson> pair = {texts[i], texts[i + 1]};
            const QString pairName = u"pair"_s + QString::number(i / 2);
            CorpusLesson joined;
            if (!JoinedCorpus::join(pair, pairName, joinedDir + u'/' + pairName + u".flac"_s,
                                    &joined, &error)) {
                std::fprintf(stderr, "bench_alignment: %s\n", qPrintable(error));
                return false;
            }
            corpus->lessons += JoinedCorpus::eachPartAlone(pair, joined);
        }
    } else if (name == u"long"_s) {
        // A book's lessons in one file, each text followed by its word list, each with its own
        // announcement and closing: the aligner must keep its place throughout.
        QList<CorpusLesson> interleaved;
        for (const CorpusLesson& text : texts) {
            interleaved.append(text);
            for (const CorpusLesson& list : wordLists)
                if (list.name == text.name)
                    interleaved.append(list);
        }
        const double target = SentenceAligner::maxRecordingSeconds - 60;
        CorpusLesson joined;
        if (!JoinedCorpus::join(enough(interleaved, quick ? 0 : target), u"long"_s,
                                joinedDir + u"/long.flac"_s, &joined, &error)) {
            std::fprintf(stderr, "bench_alignment: %s\n", qPrintable(error));
            return false;
        }
        corpus->lessons = {joined};
    } else if (name == u"swapped"_s) {
        corpus->swapped = true;
        corpus->lessons = JoinedCorpus::swapped(texts, int(texts.size() / 2));
    } else if (name == u"swappedlists"_s) {
        // Apart from the texts: a word list's phrases are short, and short phrases are judged
        // more leniently.
        corpus->swapped = true;
        corpus->lessons = JoinedCorpus::swapped(wordLists, int(wordLists.size() / 2));
    }
    return true;
}

// The first alignment starts the reference synthesiser; measured apart, so that neither
// contender is charged for it in the table.
double firstAlignmentSeconds(const CorpusLesson& lesson)
{
    std::vector<float> samples;
    QString error;
    if (!SentenceAligner::decodeForAlignment(lesson.audioPath, &samples, &error))
        return 0;
    QElapsedTimer timer;
    timer.start();
    SentenceAligner::align(samples, lesson.sentences);
    return double(timer.nsecsElapsed()) / 1e9;
}

// The checks on the bench itself: the truth matches the recordings, a perfect alignment scores
// clean, the decoder keeps the player's timeline, every contender kept the span contract and
// the progress never ran back. Says what failed.
bool benchIsSound(RunChecks& checks, const QList<Corpus>& corpora)
{
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
    for (const Corpus& corpus : corpora) {
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
    return sane;
}

QString loadAverage()
{
    QFile file(u"/proc/loadavg"_s);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(u' ', 0, 0)
                                          : QString();
}

// The lessons corpus's table, with the totals that describe the whole run.
void printLessonsTable(const QList<Corpus>& corpora, const RunChecks& checks,
                       const Options& options, const PeakMemory::Result& peak, double startSeconds,
                       double startAudioSeconds, int madeLessons, const QString& cacheDir)
{
    double allAudioSeconds = 0;
    for (const Corpus& corpus : corpora)
        allAudioSeconds += corpus.audioSeconds;
    for (const Corpus& corpus : corpora) {
        if (corpus.name != u"lessons"_s)
            continue;
        RunTotals totals;
        totals.lessons = int(corpus.lessons.size());
        totals.sentences = corpus.sentences;
        totals.noisyLessons = corpus.noisyLessons;
        totals.madeLessons = madeLessons;
        totals.audioSeconds = corpus.audioSeconds;
        totals.decodeSeconds =
            checks.decodeSeconds * corpus.audioSeconds / std::max(1.0, allAudioSeconds);
        totals.startSeconds = startSeconds;
        totals.startAudioSeconds = startAudioSeconds;
        totals.quick = options.quick;
        totals.memory = options.memory;
        totals.cacheDir = cacheDir;
        totals.loadAverage = loadAverage();
        AlignmentReport::print(totals, corpus.contenders, peak);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1 && qstrcmp(argv[1], PeakMemory::childFlag) == 0) {
        QCoreApplication app(argc, argv);
        return PeakMemory::runChild(app.arguments().mid(2));
    }
    QCoreApplication app(argc, argv);
    int exitCode = 0;
    const std::optional<Options> read = readOptions(app.arguments(), &exitCode);
    if (!read)
        return exitCode;
    const Options& options = *read;
    if (!FliteVoice::available()) {
        std::fprintf(stderr, "bench_alignment cannot run: flite is not installed\n");
        return 1;
    }

    const QString cacheDir =
        QStringLiteral(ORLUNE_ALIGNMENT_CACHE_DIR) + (options.heldOut ? u"-held-out"_s : QString());
    int madeLessons = 0;
    QList<CorpusLesson> texts, wordLists;
    if (!buildLessons(options, CorpusBuilder::Reading::Text, cacheDir, &texts, &madeLessons))
        return 1;
    const bool needWords = options.corpora.contains(u"words"_s) ||
                           options.corpora.contains(u"long"_s) ||
                           options.corpora.contains(u"swappedlists"_s);
    if (needWords && !buildLessons(options, CorpusBuilder::Reading::Words, cacheDir + u"-words"_s,
                                   &wordLists, &madeLessons)) {
        return 1;
    }

    RunChecks checks;
    QList<Corpus> corpora;
    const QString joinedDir = cacheDir + u"-joined"_s;
    QDir().mkpath(joinedDir);
    for (const QString& name : options.corpora) {
        Corpus corpus;
        if (!makeCorpus(name, texts, wordLists, options.quick, joinedDir, &corpus))
            return 1;
        corpus.contenders = CorpusRun::makeContenders(&checks, corpus.swapped);
        corpora.append(corpus);
    }

    const double startSeconds = firstAlignmentSeconds(texts.first());
    for (Corpus& corpus : corpora) {
        std::fprintf(stderr, "aligning the %s corpus...\n", qPrintable(corpus.name));
        if (!CorpusRun::run(&corpus, &checks, options.verbose, options.showSpans))
            return 1;
    }

    PeakMemory::Result peak;
    if (options.memory) {
        std::fprintf(stderr, "aligning a 30 minute recording in a child process...\n");
        peak = PeakMemory::measure(app.applicationFilePath(), cacheDir,
                                   SentenceAligner::maxRecordingSeconds - 1);
    }

    printLessonsTable(corpora, checks, options, peak, startSeconds, texts.first().seconds,
                      madeLessons, cacheDir);
    std::printf("\nevery corpus%s%s\n", options.heldOut ? " (held out)" : " (tuned)",
                options.quick ? ", --quick" : "");
    for (const Corpus& corpus : std::as_const(corpora))
        AlignmentReport::printCorpus(corpus.name, corpus.swapped, corpus.audioSeconds,
                                     corpus.contenders);
    return benchIsSound(checks, corpora) ? 0 : 2;
}
