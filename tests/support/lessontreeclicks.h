#pragma once

class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

// Clicks in either window's lesson tree, as a learner does: a lesson's book is opened first.
namespace LessonTreeClicks {

QTreeWidgetItem* bookNode(QTreeWidget* tree, int book);
QTreeWidgetItem* lessonNode(QTreeWidget* tree, int book, int lesson);
void click(QTreeWidget* tree, QTreeWidgetItem* node);

// Checks that the tree holds the four books, collapsed, with all 276 lessons, as described.
void checkWholeCourse(QTreeWidget* tree);

} // namespace LessonTreeClicks

// What both window fixtures offer of their window's lesson tree.
class LessonTreeFixture
{
public:
    virtual ~LessonTreeFixture() = default;

    QTreeWidget* tree() const;
    QTreeWidgetItem* bookNode(int book) const { return LessonTreeClicks::bookNode(tree(), book); }
    QTreeWidgetItem* lessonNode(int book, int lesson) const
    {
        return LessonTreeClicks::lessonNode(tree(), book, lesson);
    }
    void click(QTreeWidgetItem* node) { LessonTreeClicks::click(tree(), node); }
    void openLesson(int book, int lesson) { click(lessonNode(book, lesson)); }

protected:
    // The window the tree is in.
    virtual QWidget* treeWindow() const = 0;
};
