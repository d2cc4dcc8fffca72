#include "lessontreeclicks.h"

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
