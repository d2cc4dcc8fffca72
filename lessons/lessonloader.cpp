#include "lessons/lessonloader.h"

#include "lessons/learnerstore.h"
#include "lessons/lessoncatalog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <filesystem>

LoadedLesson loadLesson(const LessonDatabase& database, const QString& voiceLibrary,
                        const QString& bookNodeText, const QString& lessonText)
{
    LoadedLesson lesson;
    lesson.bookDigit = LessonCatalog::bookDigit(bookNodeText);
    lesson.lessonText = lessonText;
    lesson.lessonNumber = LessonCatalog::lessonNumber(lessonText);
    lesson.lessonAudioFile =
        QDir(voiceLibrary)
            .filePath(LessonCatalog::audioFileName(lesson.bookDigit, lesson.lessonNumber));
    lesson.audioCopyName = LessonCatalog::audioCopyName(lesson.bookDigit, lesson.lessonNumber);

    const QString paragraphEnd = QStringLiteral("\r\n\r\n");
    for (const SentenceRow& row : database.sentences(lesson.bookDigit, lessonText)) {
        lesson.sentenceText += row.sentence + paragraphEnd;
        lesson.table.append(row.sentence, row.translation, row.start, row.end);
    }
    for (const WordRow& row : database.newWords(lesson.bookDigit, lessonText)) {
        lesson.wordText += row.word + QStringLiteral(" /") + row.meaning + QStringLiteral("\r\n");
    }
    return lesson;
}

LoadedLesson loadLesson(const LessonDatabase& carried, const LearnerStore& store,
                        const QString& voiceLibrary, const QString& bookNodeText,
                        const QString& lessonText)
{
    const QString bookDigit = LessonCatalog::bookDigit(bookNodeText);
    QString problem;
    if (!store.hasLesson(bookDigit, lessonText, &problem)) {
        LoadedLesson lesson = loadLesson(carried, voiceLibrary, bookNodeText, lessonText);
        lesson.storeProblem = problem;
        return lesson;
    }
    LoadedLesson lesson =
        loadLesson(LessonDatabase(store.databasePath()), voiceLibrary, bookNodeText, lessonText);
    // The player reads the recording by its content, so an imported WAV or FLAC plays under
    // the copy's usual name too.
    lesson.lessonAudioFile = store.recordingPath(bookDigit, lessonText);
    return lesson;
}

namespace {

constexpr QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                         QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;

std::filesystem::path fsPath(const QString& path)
{
    return QFileInfo(path).filesystemFilePath();
}

bool makePrivateFolder(const QString& folder)
{
    const QFileInfo there(folder);
    if (there.isSymLink() || (there.exists() && !there.isDir())) {
        QFile::remove(folder);
    }
    if (!QFileInfo(folder).isDir()) {
        QDir().mkdir(folder, ownerOnly);
    }
    const QFileInfo made(folder);
    return made.isDir() && !made.isSymLink();
}

// A name in the folder that nothing else uses; the file is created (exclusively) and left empty.
QString freshName(const QString& folder, const QString& copyName)
{
    QTemporaryFile file(QDir(folder).filePath(copyName + QStringLiteral(".XXXXXX")));
    file.setAutoRemove(false);
    return file.open() ? file.fileName() : QString();
}

// Fills `fresh` with the recording: a hard link where the file system allows it, costing
// neither time nor disk, else a byte copy.
bool fill(const QString& source, const QString& fresh)
{
    std::error_code error;
    std::filesystem::remove(fsPath(fresh), error);
    std::filesystem::create_hard_link(fsPath(source), fsPath(fresh), error);
    if (!error) {
        return true;
    }
    QFile in(source);
    QFile out(fresh);
    // NewOnly: should anything have taken the name meanwhile, it is not ours to write into.
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        return false;
    }
    QByteArray chunk;
    while (!(chunk = in.read(1 << 20)).isEmpty()) {
        if (out.write(chunk) != chunk.size()) {
            return false;
        }
    }
    return in.error() == QFileDevice::NoError && out.flush();
}

} // namespace

LessonAudio prepareLessonAudio(const QString& lessonAudioFile, const QString& audioFolder,
                               const QString& copyName)
{
    const QFileInfo source(lessonAudioFile);
    if (lessonAudioFile.isEmpty() || !source.isFile()) {
        return {};
    }
    if (source.size() > maxLessonAudioBytes) {
        return {{}, LessonAudioResult::TooLarge};
    }
    const QString copy = QDir(audioFolder).filePath(copyName);
    if (!makePrivateFolder(audioFolder)) {
        return {{}, LessonAudioResult::CopyFailed};
    }
    const QString fresh = freshName(audioFolder, copyName);
    std::error_code error;
    // rename() replaces a link standing at the copy's name instead of writing through it.
    if (!fresh.isEmpty() && fill(lessonAudioFile, fresh)) {
        std::filesystem::rename(fsPath(fresh), fsPath(copy), error);
        if (!error) {
            return {copy, LessonAudioResult::Ready};
        }
    }
    if (!fresh.isEmpty()) {
        QFile::remove(fresh);
    }
    const QFileInfo older(copy);
    return {older.isFile() && !older.isSymLink() ? copy : QString(), LessonAudioResult::CopyFailed};
}

QString lessonAudioNotice(const LessonAudio& audio)
{
    switch (audio.result) {
    case LessonAudioResult::TooLarge:
        return QStringLiteral("这一课的录音文件太大（超过 %1 MB），不是正常的课文录音，没有打开。")
            .arg(maxLessonAudioBytes / (1024 * 1024));
    case LessonAudioResult::CopyFailed:
        return audio.path.isEmpty()
                   ? QStringLiteral(
                         "无法把这一课的录音复制到临时文件夹（磁盘可能已满），不能朗读。")
                   : QString();
    case LessonAudioResult::Ready:
    case LessonAudioResult::NoRecording:
        break;
    }
    return {};
}
