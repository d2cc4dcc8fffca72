#pragma once

#include <QTest>
#include <QTreeWidget>

// Clicks a node of a lesson tree as a learner does, scrolled into view first.
inline void clickNode(QTreeWidget* tree, QTreeWidgetItem* node)
{
    tree->scrollToItem(node);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
}
