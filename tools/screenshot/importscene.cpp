#include "tools/screenshot/importscene.h"

#include "align/timedtext.h"
#include "import/importdialog.h"
#include "lessons/learnerstore.h"
#include "lessons/lessoncatalog.h"
#include "tools/screenshot/dictationscenes.h"
#include "tools/screenshot/folderimportscene.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

bool saveImportScenes(MediaPlayer& player, const LessonDatabase& course,
                      const QString& voiceLibrary, const QString& folder)
{
    const QString book = QStringLiteral("1");
    const QString lesson = LessonCatalog::lessonText(1);
    const QList<SentenceRow> rows = course.sentences(book, lesson);
    if (rows.isEmpty()) {
        return false;
    }
    QStringList english;
    QStringList chinese;
    for (const SentenceRow& row : rows) {
        english << row.sentence;
        chinese << row.translation;
    }
    // The learner's store is a scratch one: the picture must not import anything for real.
    QTemporaryDir scratch;
    QFile translations(scratch.filePath(QStringLiteral("translations.txt")));
    if (!translations.open(QIODevice::WriteOnly) ||
        translations.write(chinese.join(u'\n').toUtf8()) < 0) {
        return false;
    }
    translations.close();
    LearnerStore store(scratch.filePath(QStringLiteral("store")));

    ImportDialog dialog(&player, &store, 1, 1);
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog)) {
        return false;
    }
    dialog.setRecordingFile(
        QDir(voiceLibrary).filePath(LessonCatalog::audioFileName(book, QStringLiteral("1"))));
    dialog.loadTranslationFile(translations.fileName());
    dialog.findChild<QPlainTextEdit*>(QStringLiteral("textBox"))->setPlainText(english.join(u' '));
    // The pasted paragraph is shown split, one sentence a line, for the learner to check.
    bool saved = saveScene(dialog, folder, QStringLiteral("import-review"));
    auto* align = dialog.findChild<QPushButton*>(QStringLiteral("alignButton"));

    QTest::mouseClick(align, Qt::LeftButton);
    if (!QTest::qWaitFor([&dialog] { return !dialog.sentences().isEmpty(); }, 120000)) {
        saveScene(dialog, folder, QStringLiteral("import-failed"));
        return false;
    }
    dialog.findChild<QTableView*>(QStringLiteral("sentenceTable"))->selectRow(1);
    saved = saveScene(dialog, folder, QStringLiteral("import-aligned")) && saved;
    dialog.close();
    saved = saveTimedImportScenes(player, course, voiceLibrary, folder) && saved;
    saved = saveUnsureImportScene(player, course, voiceLibrary, folder) && saved;
    return saveFolderImportScenes(course, voiceLibrary, folder) && saved;
}

bool saveTimedImportScenes(MediaPlayer& player, const LessonDatabase& course,
                           const QString& voiceLibrary, const QString& folder)
{
    // The carried lesson as a bilingual LRC: the dialog says the lesson holds carried
    // sentences, places the lines at their times, and asks before saving over them.
    const QString book = QStringLiteral("1");
    QList<TimedText::Line> lines;
    for (const SentenceRow& row : course.sentences(book, LessonCatalog::lessonText(1))) {
        lines.append({row.sentence, row.translation, row.start.toDouble(),
                      row.end.isEmpty() ? -1 : row.end.toDouble()});
    }
    QTemporaryDir scratch;
    QFile lrc(scratch.filePath(QStringLiteral("Lesson 1.lrc")));
    if (lines.isEmpty() || !lrc.open(QIODevice::WriteOnly) ||
        lrc.write(TimedText::toLrc(lines, QStringLiteral("Lesson 1")).toUtf8()) < 0) {
        return false;
    }
    lrc.close();
    LearnerStore store(scratch.filePath(QStringLiteral("store")));
    ImportDialog dialog(&player, &store, 1, 1);
    dialog.setCarriedDatabase(course.path());
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog)) {
        return false;
    }
    dialog.setRecordingFile(
        QDir(voiceLibrary).filePath(LessonCatalog::audioFileName(book, QStringLiteral("1"))));
    dialog.loadTextFile(lrc.fileName());
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("alignButton")),
                      Qt::LeftButton);
    if (!QTest::qWaitFor([&dialog] { return !dialog.sentences().isEmpty(); }, 60000)) {
        return false;
    }
    bool saved = saveScene(dialog, folder, QStringLiteral("import-lrc"));
    // The question before the carried lesson is replaced: pictured, then answered "No".
    QTimer::singleShot(300, [&] {
        if (QWidget* question = QApplication::activeModalWidget()) {
            saved =
                saveScene(*question, folder, QStringLiteral("import-replace-question")) && saved;
            question->close();
        }
    });
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("saveButton")), Qt::LeftButton);
    dialog.close();
    return saved && !store.hasLesson(book, LessonCatalog::lessonText(1));
}
