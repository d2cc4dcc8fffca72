#include "bench/alignment/peakmemory.h"

#include "align/sentencealigner.h"
#include "bench/alignment/corpuslesson.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

// The one file of the benchmark that is Linux's own: the kernel's peak resident size, in
// kilobytes there, of a process and of a child waited for.
#ifdef Q_OS_LINUX
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;
#endif

using namespace Qt::StringLiterals;

namespace {

double ownPeakMb()
{
#ifdef Q_OS_LINUX
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024;
#else
    return 0;
#endif
}

} // namespace

PeakMemory::Result PeakMemory::measure(const QString& program, const QString& cacheDir,
                                       double seconds)
{
    Result result;
#ifndef Q_OS_LINUX
    Q_UNUSED(program);
    Q_UNUSED(cacheDir);
    Q_UNUSED(seconds);
    result.error = u"measured on Linux only"_s;
    return result;
#else
    QTemporaryDir folder;
    const QString resultPath = folder.filePath(u"memory.txt"_s);
    const QList<QByteArray> arguments = {QFile::encodeName(program), QByteArray(childFlag),
                                         QFile::encodeName(cacheDir), QByteArray::number(seconds),
                                         QFile::encodeName(resultPath)};
    std::vector<char*> argv;
    for (const QByteArray& argument : arguments)
        argv.push_back(const_cast<char*>(argument.constData()));
    argv.push_back(nullptr);

    pid_t child = 0;
    if (!folder.isValid() ||
        posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        result.error = u"cannot start the child process"_s;
        return result;
    }
    int status = 0;
    rusage usage{};
    // wait4, unlike RUSAGE_CHILDREN, reports this child alone, not the flite runs before it.
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        result.error = u"the child process failed"_s;
        return result;
    }
    QFile file(resultPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        result.error = u"the child process left no result"_s;
        return result;
    }
    const QStringList fields = QString::fromUtf8(file.readAll()).split(u' ');
    if (fields.size() != 5) {
        result.error = u"the child process left a garbled result"_s;
        return result;
    }
    result.beforeMb = fields[0].toDouble();
    result.audioSeconds = fields[1].toDouble();
    result.alignSeconds = fields[2].toDouble();
    result.sentences = fields[3].toInt();
    result.aligned = fields[4].trimmed() == u"aligned";
    result.peakMb = double(usage.ru_maxrss) / 1024;
    result.measured = true;
    return result;
#endif
}

int PeakMemory::runChild(const QStringList& arguments)
{
    const QDir cache(arguments.value(0));
    const double seconds = arguments.value(1).toDouble();
    const QString resultPath = arguments.value(2);
    QList<CorpusLesson> lessons;
    for (const QString& file : cache.entryList({u"*.truth"_s}, QDir::Files, QDir::Name)) {
        CorpusLesson lesson;
        if (CorpusLesson::load(cache.filePath(file), &lesson)) {
            lesson.audioPath = cache.filePath(file.chopped(6) + u".mp3"_s);
            lessons.append(lesson);
        }
    }
    if (lessons.isEmpty() || seconds <= 0)
        return 1;

    // Whole lessons in turn; the last one is cut where the time is up, its rest of speech
    // standing for exercises after the text.
    const auto frames = size_t(seconds * SentenceAligner::sampleRate);
    std::vector<float> samples;
    samples.reserve(frames);
    QStringList sentences;
    for (qsizetype i = 0; samples.size() < frames; i = (i + 1) % lessons.size()) {
        std::vector<float> decoded;
        QString error;
        if (!SentenceAligner::decodeForAlignment(lessons[i].audioPath, &decoded, &error))
            return 1;
        if (samples.size() + decoded.size() <= frames)
            sentences += lessons[i].sentences;
        decoded.resize(std::min(decoded.size(), frames - samples.size()));
        samples.insert(samples.end(), decoded.begin(), decoded.end());
    }

    const double before = ownPeakMb();
    QElapsedTimer timer;
    timer.start();
    const auto result = SentenceAligner::align(samples, sentences);
    const double took = double(timer.nsecsElapsed()) / 1e9;
    const bool aligned = result.outcome == SentenceAligner::Outcome::Aligned &&
                         result.spans.size() == sentences.size();

    QFile file(resultPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return 1;
    QTextStream(&file) << before << ' ' << double(samples.size()) / SentenceAligner::sampleRate
                       << ' ' << took << ' ' << sentences.size() << ' '
                       << (aligned ? "aligned" : "failed");
    return 0;
}
