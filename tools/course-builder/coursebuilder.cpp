#include "tools/course-builder/coursebuilder.h"

#include "tools/course-builder/courseerror.h"
#include "tools/course-builder/coursereader.h"
#include "tools/course-builder/lessonencoder.h"
#include "tools/course-builder/lessonrecording.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <deque>
#include <future>

using namespace Qt::StringLiterals;

namespace {

bool isRecorded(const CourseLesson& lesson)
{
    return lesson.hasAudio && !lesson.sentences.isEmpty();
}

} // namespace

CourseBuilder::CourseBuilder(Options options)
    : m_options(std::move(options)), m_settings(SpeechSynthesiser::settings())
{}

CourseBuilder::~CourseBuilder() = default;

CourseBuilder::Summary CourseBuilder::run()
{
    const QList<CourseLesson> lessons = CourseReader::read(m_options.courseDir);
    const QDir stampFolder = QFileInfo(m_options.stampPath).absoluteDir();
    for (const QString& folder : {m_options.voiceDir, stampFolder.path()}) {
        if (!QDir().mkpath(folder))
            throw CourseError(folder, 0, u"cannot create the folder"_s);
    }
    const LessonCache cache(stampFolder.filePath(u"cache"_s));

    Summary summary;
    QList<CourseDatabaseWriter::LessonTimes> times(lessons.size());
    std::deque<std::pair<qsizetype, std::future<LessonCache::Entry>>> encoding;
    auto finishOldest = [&] {
        auto [index, job] = std::move(encoding.front());
        encoding.pop_front();
        LessonCache::Entry entry = job.get();
        const CourseLesson& lesson = lessons.at(index);
        entry.key = cacheKey(lesson);
        cache.store(lesson.book, lesson.number, entry);
        times[index] = {entry.starts, entry.ends};
        if (isRecorded(lesson)) {
            summary.encoderDelays.insert(entry.encoderDelay);
            summary.audioSeconds += entry.seconds;
        }
    };

    for (qsizetype i = 0; i < lessons.size(); ++i) {
        const CourseLesson& lesson = lessons.at(i);
        if (const auto entry = cached(lesson, cache)) {
            times[i] = {entry->starts, entry->ends};
            ++summary.fromCache;
            if (isRecorded(lesson))
                summary.audioSeconds += entry->seconds;
            continue;
        }
        // eSpeak is not thread-safe, so speaking stays here; encoding runs beside it. A lesson
        // marked "audio: none" is spoken too, for times with the same order and spacing.
        if (!m_synthesiser)
            m_synthesiser = std::make_unique<SpeechSynthesiser>();
        LessonRecording recording(SpeechSynthesiser::sampleRate);
        for (const CourseSentence& sentence : lesson.sentences)
            recording.addSentence(m_synthesiser->speak(sentence.english));
        recording.finish();
        const QString path = isRecorded(lesson) ? audioPath(lesson) : QString();
        // The first job runs alone: the encoder fills shared tables the first time it runs.
        const auto policy = summary.synthesised == 0 ? std::launch::deferred : std::launch::async;
        encoding.emplace_back(i, std::async(policy, [recording = std::move(recording), path] {
                                  return LessonEncoder::encode(recording, path);
                              }));
        ++summary.synthesised;
        if (summary.synthesised == 1 || encoding.size() > encodersInFlight)
            finishOldest();
    }
    while (!encoding.empty())
        finishOldest();

    QSet<QString> recordings;
    QSet<QString> cacheNames;
    for (const CourseLesson& lesson : lessons) {
        cacheNames.insert(LessonCache::name(lesson.book, lesson.number));
        if (isRecorded(lesson))
            recordings.insert(lesson.audioFileName());
        summary.sentences += int(lesson.sentences.size());
        summary.words += int(lesson.words.size());
    }
    summary.lessons = int(lessons.size());
    summary.recordings = int(recordings.size());
    removeStaleRecordings(recordings);
    cache.keepOnly(cacheNames);

    CourseDatabaseWriter::write(m_options.databasePath, lessons, times);
    writeStamp(summary);
    return summary;
}

std::optional<LessonCache::Entry> CourseBuilder::cached(const CourseLesson& lesson,
                                                        const LessonCache& cache) const
{
    std::optional<LessonCache::Entry> entry = cache.load(lesson.book, lesson.number);
    if (!entry || entry->key != cacheKey(lesson) || entry->starts.size() != lesson.sentences.size())
        return std::nullopt;
    // A recording that was deleted or replaced since is made again.
    const bool recordingIntact = isRecorded(lesson)
                                     ? QFileInfo(audioPath(lesson)).size() == entry->audioBytes
                                     : entry->audioBytes < 0;
    return recordingIntact ? entry : std::nullopt;
}

QString CourseBuilder::cacheKey(const CourseLesson& lesson) const
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QString::number(version).toUtf8());
    hash.addData(m_settings.toUtf8());
    hash.addData(u"\n%1 %2"_s.arg(LessonRecording::leadInSeconds)
                     .arg(LessonRecording::pauseSeconds)
                     .toUtf8());
    hash.addData(lesson.hasAudio ? "\naudio\n" : "\nnone\n");
    for (const CourseSentence& sentence : lesson.sentences) {
        hash.addData(sentence.english.toUtf8());
        hash.addData("\n");
    }
    return QString::fromLatin1(hash.result().toHex());
}

QString CourseBuilder::audioPath(const CourseLesson& lesson) const
{
    return QDir(m_options.voiceDir).filePath(lesson.audioFileName());
}

void CourseBuilder::removeStaleRecordings(const QSet<QString>& keep) const
{
    const QDir folder(m_options.voiceDir);
    const auto files = folder.entryList({u"QVN*.dat"_s, u"QVN*.dat.part"_s}, QDir::Files);
    for (const QString& file : files) {
        if (!keep.contains(file) && !QFile::remove(folder.filePath(file)))
            throw CourseError(folder.filePath(file), 0, u"cannot remove a stale recording"_s);
    }
}

void CourseBuilder::writeStamp(const Summary& summary) const
{
    QSaveFile stamp(m_options.stampPath);
    const QString text =
        u"lessons %1\nsentences %2\nwords %3\nrecordings %4\n"_s.arg(summary.lessons)
            .arg(summary.sentences)
            .arg(summary.words)
            .arg(summary.recordings);
    if (!stamp.open(QIODevice::WriteOnly) || stamp.write(text.toUtf8()) < 0 || !stamp.commit())
        throw CourseError(m_options.stampPath, 0, u"cannot write: "_s + stamp.errorString());
}
