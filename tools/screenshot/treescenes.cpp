#include "tools/screenshot/treescenes.h"

#include "lessons/lessoncatalog.h"
#include "study/studywindow.h"
#include "tools/screenshot/dictationscenes.h"
#include "tools/screenshot/sceneclicks.h"

#include <QDir>
#include <QTest>
#include <QToolTip>
#include <QTreeWidget>

namespace {

void showBookOne(StudyWindow& window)
{
    auto* tree = window.findChild<QTreeWidget*>(QStringLiteral("lessonTree"));
    QTreeWidgetItem* book = tree->topLevelItem(0);
    book->setExpanded(true);
    tree->scrollToItem(book, QAbstractItemView::PositionAtTop);
    // The tooltip an empty lesson gives, as hovering over Lesson 5 shows it (a bare X server
    // sends no hover of its own).
    QTreeWidgetItem* empty = book->child(4);
    const QPoint at = tree->visualItemRect(empty).center();
    QToolTip::showText(tree->viewport()->mapToGlobal(at), empty->toolTip(0), tree->viewport());
    QTest::qWait(300);
}

} // namespace

bool saveTreeScenes(StudyWindow& window, const QString& folder)
{
    showBookOne(window);
    bool ok = saveScene(window, folder, QStringLiteral("tree-before-import"));
    // The empty lesson opened: its pane says how to fill it.
    QToolTip::hideText();
    auto* tree = window.findChild<QTreeWidget*>(QStringLiteral("lessonTree"));
    clickNode(tree, tree->topLevelItem(0)->child(4));
    QTest::qWait(300);
    ok = saveScene(window, folder, QStringLiteral("tree-empty-lesson")) && ok;

    // Lesson 5 of book 1 filled with the text and recording of Lesson 1.
    const StudyPaths& paths = window.paths();
    const LessonDatabase carried(paths.databaseFile());
    LearnerStore::Lesson lesson;
    lesson.bookDigit = QStringLiteral("1");
    lesson.lessonText = LessonCatalog::lessonText(5);
    lesson.sentences = carried.sentences(lesson.bookDigit, LessonCatalog::lessonText(1));
    lesson.words = carried.newWords(lesson.bookDigit, LessonCatalog::lessonText(1));
    lesson.recordingFile =
        QDir(paths.voiceLibrary)
            .filePath(LessonCatalog::audioFileName(QStringLiteral("1"), QStringLiteral("1")));
    QString error;
    if (!window.learnerStore().importLesson(lesson, &error)) {
        qWarning("the tree scene could not import a lesson: %s", qPrintable(error));
        return false;
    }
    QToolTip::hideText();
    window.refreshLessons(lesson.bookDigit, lesson.lessonText);
    clickNode(tree, tree->topLevelItem(0)->child(4));
    QTest::qWait(500);
    ok = saveScene(window, folder, QStringLiteral("tree-after-import")) && ok;
    return ok;
}
