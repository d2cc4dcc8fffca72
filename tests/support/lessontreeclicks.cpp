#include "lessontreeclicks.h"

#include <QImage>
#include <QTest>
#include <QTreeWidget>

namespace LessonTreeClicks {

QTreeWidgetItem* bookNode(QTreeWidget* tree, int book)
{
    return tree->topLevelItem(book - 1);
}

QTreeWidgetItem* lessonNode(QTreeWidget* tree, int book, int lesson)
{
    return bookNode(tree, book)->child(lesson - 1);
}

void click(QTreeWidget* tree, QTreeWidgetItem* node)
{
    if (node->parent() && !node->parent()->isExpanded()) {
        click(tree, node->parent());
    }
    tree->scrollToItem(node);
    const QRect rect = tree->visualItemRect(node);
    QVERIFY2(rect.isValid(), "the node is not visible");
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
}

} // namespace LessonTreeClicks

namespace LessonTreeClicks {

void checkWholeCourse(QTreeWidget* tree)
{
    QCOMPARE(tree->topLevelItemCount(), 4);
    const QList<int> counts{72, 96, 60, 48};
    int lessons = 0;
    for (int book = 1; book <= 4; ++book) {
        QTreeWidgetItem* node = bookNode(tree, book);
        QCOMPARE(node->text(0), QStringLiteral("Quorv(第%1册)").arg(book));
        QCOMPARE(node->data(0, Qt::UserRole).toString(), QString(QChar(u'a' + book - 1)));
        QVERIFY(!node->isExpanded());
        QVERIFY(!node->icon(0).isNull());
        QCOMPARE(node->childCount(), counts[book - 1]);
        for (int n = 1; n <= node->childCount(); ++n) {
            QTreeWidgetItem* lesson = node->child(n - 1);
            QCOMPARE(lesson->text(0), QStringLiteral("Lesson %1").arg(n));
            QCOMPARE(lesson->childCount(), 0);
            QVERIFY(lesson->data(0, Qt::UserRole).isNull());
            QVERIFY(!lesson->icon(0).isNull());
        }
        lessons += node->childCount();
    }
    QCOMPARE(lessons, 276);
    // Books and lessons have pictures of their own.
    const QImage bookPicture = bookNode(tree, 1)->icon(0).pixmap(16).toImage();
    const QImage lessonPicture = lessonNode(tree, 1, 1)->icon(0).pixmap(16).toImage();
    QVERIFY(bookPicture != lessonPicture);
}

} // namespace LessonTreeClicks

QTreeWidget* LessonTreeFixture::tree() const
{
    return treeWindow()->findChild<QTreeWidget*>(QStringLiteral("lessonTree"));
}
