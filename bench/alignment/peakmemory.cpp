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

// A field of /proc/self/status in megabytes ("VmRSS", "VmHWM"), 0 where there is none.
double statusMb(const QByteArray& field)
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(QByteArray(field + ':')))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toDouble() / 1024;
    }
    return 0;
}

// Decoding and joining the lessons may reach a higher peak than aligning them does: the
// kernel's high-water mark is reset here, so that the peak read after aligning is the
// aligner's own (what it holds plus what was resident before it).
void resetPeak()
{
    QFile clear(u"/proc/self/clear_refs"_s);
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
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
    if (fields.size() != 6) {
        result.error = u"the child process left a garbled result"_s;
        return result;
    }
    result.beforeMb = fields[0].toDouble();
    result.aligningPeakMb = fields[1].toDouble();
    result.audioSeconds = fields[2].toDouble();
    result.alignSeconds = fields[3].toDouble();
    result.sentences = fields[4].toInt();
    result.aligned = fields[5].trimmed() == u"aligned";
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

    resetPeak();
    const double before = statusMb("VmRSS");
    QElapsedTimer timer;
    timer.start();
    const auto result = SentenceAligner::align(samples, sentences);
    const double took = double(timer.nsecsElapsed()) / 1e9;
    const double aligningPeak = statusMb("VmHWM");
    const bool aligned = result.outcome == SentenceAligner::Outcome::Aligned &&
                         result.spans.size() == sentences.size();

    QFile file(resultPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return 1;
    QTextStream(&file) << before << ' ' << aligningPeak << ' '
                       << double(samples.size()) / SentenceAligner::sampleRate << ' ' << took << ' '
                       << sentences.size() << ' ' << (aligned ? "aligned" : "failed");
    return 0;
}
