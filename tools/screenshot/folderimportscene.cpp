#include "tools/screenshot/folderimportscene.h"

#include "align/timedtext.h"
#include "import/folderimportdialog.h"
#include "import/importdialog.h"
#include "lessons/learnerstore.h"
#include "lessons/lessoncatalog.h"
#include "tools/screenshot/dictationscenes.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// Book 1, lesson 1's sentences with the fourth replaced by one its recording does not hold.
QStringList withAStrangeSentence(const LessonDatabase& course)
{
    QStringList english;
    for (const SentenceRow& row : course.sentences(u"1"_s, LessonCatalog::lessonText(1))) {
        english << row.sentence;
    }
    if (english.size() > 3) {
        english[3] = u"Elephants rarely dance quietly under purple umbrellas."_s;
    }
    return english;
}

bool write(const QString& path, const QString& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) > 0;
}

} // namespace

bool saveUnsureImportScene(MediaPlayer& player, const LessonDatabase& course,
                           const QString& voiceLibrary, const QString& folder)
{
    QTemporaryDir scratch;
    LearnerStore store(scratch.filePath(u"store"_s));
    ImportDialog dialog(&player, &store, 1, 7);
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog)) {
        return false;
    }
    dialog.setRecordingFile(
        QDir(voiceLibrary).filePath(LessonCatalog::audioFileName(u"1"_s, u"1"_s)));
    dialog.findChild<QPlainTextEdit*>(u"textBox"_s)
        ->setPlainText(withAStrangeSentence(course).join(u'\n'));
    QTest::mouseClick(dialog.findChild<QPushButton*>(u"alignButton"_s), Qt::LeftButton);
    if (!QTest::qWaitFor([&dialog] { return !dialog.sentences().isEmpty(); }, 120000)) {
        return false;
    }
    dialog.findChild<QTableView*>(u"sentenceTable"_s)->selectRow(0);
    return saveScene(dialog, folder, u"import-unsure"_s);
}

bool saveFolderImportScenes(const LessonDatabase& course, const QString& voiceLibrary,
                            const QString& folder)
{
    QTemporaryDir scratch;
    QDir book(scratch.filePath(u"第一册"_s));
    book.mkpath(u"."_s);
    QList<TimedText::Line> lines;
    for (const SentenceRow& row : course.sentences(u"1"_s, LessonCatalog::lessonText(1))) {
        lines.append({row.sentence, row.translation, row.start.toDouble(),
                      row.end.isEmpty() ? -1 : row.end.toDouble()});
    }
    const QString lrc = TimedText::toLrc(lines, u"Lesson 1"_s);
    const QString recording =
        QDir(voiceLibrary).filePath(LessonCatalog::audioFileName(u"1"_s, u"1"_s));
    bool ready = write(book.filePath(u"Lesson 001.lrc"_s), lrc) &&
                 write(book.filePath(u"Lesson 005.lrc"_s), lrc) &&
                 write(book.filePath(u"Lesson 007.txt"_s), withAStrangeSentence(course).join(u' '));
    for (const QString& name :
         {u"Lesson 001.mp3"_s, u"Lesson 005.mp3"_s, u"Lesson 007.mp3"_s, u"Lesson 009.mp3"_s}) {
        ready = QFile::copy(recording, book.filePath(name)) && ready;
    }
    if (!ready) {
        return false;
    }
    FolderImportDialog dialog({scratch.filePath(u"store"_s), course.path()}, 1);
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog)) {
        return false;
    }
    dialog.setFolder(book.path());
    bool saved = saveScene(dialog, folder, u"import-folder-review"_s);
    // The question before the carried lesson is replaced: pictured, then answered "跳过这些课".
    QTimer::singleShot(300, [&] {
        if (auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            saved = saveScene(*question, folder, u"import-folder-question"_s) && saved;
            for (QAbstractButton* button : question->buttons()) {
                if (button->text() == u"跳过这些课") {
                    button->click();
                }
            }
        }
    });
    QTest::mouseClick(dialog.findChild<QPushButton*>(u"startButton"_s), Qt::LeftButton);
    if (!QTest::qWaitFor([&dialog] { return !dialog.summary().isEmpty(); }, 180000)) {
        return false;
    }
    saved = saveScene(dialog, folder, u"import-folder-summary"_s) && saved;
    dialog.close();
    return saved;
}
