#include "tools/screenshot/importscene.h"

#include "import/importdialog.h"
#include "lessons/learnerstore.h"
#include "lessons/lessoncatalog.h"
#include "tools/screenshot/dictationscenes.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

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
    return saved;
}
