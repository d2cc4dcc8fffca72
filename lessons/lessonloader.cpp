#include "lessonloader.h"

#include "lessoncatalog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

QString prepareLessonAudio(const QString& lessonAudioFile, const QString& audioFolder,
                           const QString& copyName)
{
    if (lessonAudioFile.isEmpty() || !QFileInfo(lessonAudioFile).isFile()) {
        return {};
    }
    QDir().mkpath(audioFolder);
    const QString copy = QDir(audioFolder).filePath(copyName);
    // Copy beside the target first so a failed copy never leaves a truncated recording.
    const QString partial = copy + QStringLiteral(".part");
    QFile::remove(partial);
    if (QFile::copy(lessonAudioFile, partial)) {
        QFile::remove(copy);
        if (!QFile::rename(partial, copy)) {
            QFile::remove(partial);
        }
    }
    return copy;
}
