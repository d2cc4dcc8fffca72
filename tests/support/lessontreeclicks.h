#pragma once

class QTreeWidget;
class QTreeWidgetItem;

// Clicks in either window's lesson tree, as a learner does: a lesson's book is opened first.
namespace LessonTreeClicks {

QTreeWidgetItem* bookNode(QTreeWidget* tree, int book);
QTreeWidgetItem* lessonNode(QTreeWidget* tree, int book, int lesson);
void click(QTreeWidget* tree, QTreeWidgetItem* node);

} // namespace LessonTreeClicks
