#pragma once

#include <QTreeWidget>

class LearnerStore;

// The lesson tree of both windows: the four books as top-level nodes, their lessons below as
// LessonCatalog names them. Lessons with nothing to study are greyed (and stay clickable),
// lessons read to the end carry a tick. Books open and close through the click alone, and the
// Enter key acts as a click on the selected node.
class LessonTree : public QTreeWidget
{
    Q_OBJECT
public:
    // Item data role of a lesson node: true once the lesson was read to its end.
    static constexpr int readRole = Qt::UserRole + 1;
    // Item data role of a lesson node: true when the learner's store holds the lesson.
    static constexpr int importedRole = Qt::UserRole + 2;

    explicit LessonTree(QWidget* parent = nullptr);

    // Greys the lessons that neither the carried database nor the learner's store hold a
    // sentence of, and marks the learner's own lessons with their icon and their first sentence
    // as the tooltip. A store that cannot be read is reported through storeUnreadable().
    void shade(const QString& carriedDatabase, const LearnerStore& store);
    // Reports a problem with the learner's store found elsewhere (loading a lesson): each new
    // problem once, "" when the store reads again.
    void reportStoreProblem(const QString& problem);

    QTreeWidgetItem* bookNode(int book) const { return topLevelItem(book - 1); }
    QTreeWidgetItem* lessonNode(int book, int lesson) const;
    // The book (1..4) and lesson number of a lesson node; 0 for a book node or none.
    static int bookOf(const QTreeWidgetItem* node);
    static int lessonOf(const QTreeWidgetItem* node);
    // Ticks a lesson read to the end, or takes the tick away.
    void markRead(int book, int lesson, bool read = true);

    // The tooltip of an empty lesson.
    static QString emptyLessonTip();

signals:
    // A node was clicked, or Enter pressed on it.
    void nodeChosen(QTreeWidgetItem* node);
    // The learner's store cannot be read; the message is for the learner.
    void storeUnreadable(const QString& message);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // The arrow before a book opens and closes it, as in any tree, and is no click on the book.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_arrowPressed = false;
    QString m_reportedProblem;
};
