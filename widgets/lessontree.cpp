#include "widgets/lessontree.h"

#include "lessons/learnerstore.h"
#include "lessons/lessoncatalog.h"
#include "lessons/lessondatabase.h"
#include "widgets/commonartwork.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <utility>

namespace {

// The lesson icon, with a blue corner for a lesson the learner imported and a green tick in its
// lower right corner for one read to the end.
QIcon lessonIcon(bool imported, bool read)
{
    QPixmap picture = CommonArtwork::lessonIcon().pixmap(16, 16);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    if (imported) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(30, 100, 210));
        painter.drawPolygon(QPolygonF{QPointF(0, 0), QPointF(8, 0), QPointF(0, 8)});
    }
    if (read) {
        painter.setPen(QPen(QColor(0, 150, 60), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPolyline(QPolygonF{QPointF(7.5, 11), QPointF(10, 13.5), QPointF(15, 7.5)});
    }
    return QIcon(picture);
}

void showIcon(QTreeWidgetItem* node)
{
    static const QIcon icons[2][2] = {{lessonIcon(false, false), lessonIcon(false, true)},
                                      {lessonIcon(true, false), lessonIcon(true, true)}};
    node->setIcon(0, icons[node->data(0, LessonTree::importedRole).toBool()]
                          [node->data(0, LessonTree::readRole).toBool()]);
}

} // namespace

LessonTree::LessonTree(QWidget* parent) : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("lessonTree"));
    setHeaderHidden(true);
    setFrameShape(QFrame::NoFrame);
    // Books open and close through the node click alone: Qt's own arrow and double-click
    // handling would toggle them a second time.
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    const QIcon bookIcon = CommonArtwork::bookIcon();
    const QIcon lessonIcon = CommonArtwork::lessonIcon();
    QList<QTreeWidgetItem*> books;
    for (int book = 1; book <= LessonCatalog::bookCount; ++book) {
        auto* node = new QTreeWidgetItem(QStringList{LessonCatalog::bookText(book)});
        node->setData(0, Qt::UserRole, LessonCatalog::bookKey(book));
        node->setIcon(0, bookIcon);
        for (int n = 1; n <= LessonCatalog::lessonCounts[size_t(book - 1)]; ++n) {
            auto* lesson = new QTreeWidgetItem(QStringList{LessonCatalog::lessonText(n)});
            lesson->setIcon(0, lessonIcon);
            node->addChild(lesson);
        }
        books.append(node);
    }
    addTopLevelItems(books);
    collapseAll();
    connect(this, &QTreeWidget::itemClicked, this, &LessonTree::nodeChosen);
    // An opened book low in the tree brings its lessons into view.
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* book) {
        if (book->childCount() > 0) {
            scrollToItem(book->child(book->childCount() - 1));
            scrollToItem(book, QAbstractItemView::PositionAtTop);
        }
    });
}

void LessonTree::shade(const QString& carriedDatabase, const LearnerStore& store)
{
    // Two queries for the whole tree, not two per lesson: the tree has 276 lessons.
    QString problem;
    const QSet<QString> imported = store.lessons(&problem);
    const QSet<QString> filled = LearnerStore::lessonsIn(carriedDatabase) + imported;
    const LessonDatabase learnersLessons(store.databasePath());
    const QBrush grey = palette().brush(QPalette::Disabled, QPalette::Text);
    for (int b = 0; b < topLevelItemCount(); ++b) {
        QTreeWidgetItem* book = topLevelItem(b);
        const QString bookDigit = QString::number(b + 1);
        for (int l = 0; l < book->childCount(); ++l) {
            QTreeWidgetItem* lesson = book->child(l);
            const QString key = LearnerStore::lessonKey(bookDigit, lesson->text(0));
            lesson->setData(0, importedRole, imported.contains(key));
            showIcon(lesson);
            if (imported.contains(key)) {
                // The learner's own lessons are told apart by their first sentence.
                const QList<SentenceRow> rows =
                    learnersLessons.sentences(bookDigit, lesson->text(0));
                lesson->setData(0, Qt::ForegroundRole, QVariant());
                lesson->setToolTip(0, QStringLiteral("我导入的课文：%1")
                                          .arg(rows.isEmpty() ? QString() : rows.first().sentence));
            } else if (filled.contains(key)) {
                lesson->setData(0, Qt::ForegroundRole, QVariant());
                lesson->setToolTip(0, QString());
            } else {
                lesson->setForeground(0, grey);
                lesson->setToolTip(0, emptyLessonTip());
            }
        }
    }
    reportStoreProblem(problem);
}

void LessonTree::reportStoreProblem(const QString& problem)
{
    // Once for each new problem: a damaged store would otherwise speak up at every click.
    if (!problem.isEmpty() && problem != m_reportedProblem) {
        emit storeUnreadable(problem +
                             QStringLiteral("。\n\n在问题解决之前，这里显示的是程序自带的课文；"
                                            "程序没有改动或删除你导入的任何文件。"));
    }
    m_reportedProblem = problem;
}

QTreeWidgetItem* LessonTree::lessonNode(int book, int lesson) const
{
    QTreeWidgetItem* node = bookNode(book);
    return node ? node->child(lesson - 1) : nullptr;
}

int LessonTree::bookOf(const QTreeWidgetItem* node)
{
    return node && node->parent() ? node->treeWidget()->indexOfTopLevelItem(node->parent()) + 1 : 0;
}

int LessonTree::lessonOf(const QTreeWidgetItem* node)
{
    return node && node->parent()
               ? node->parent()->indexOfChild(const_cast<QTreeWidgetItem*>(node)) + 1
               : 0;
}

void LessonTree::markRead(int book, int lesson, bool read)
{
    if (QTreeWidgetItem* node = lessonNode(book, lesson)) {
        node->setData(0, readRole, read);
        showIcon(node);
    }
}

QString LessonTree::emptyLessonTip()
{
    return QStringLiteral("这一课还没有内容：可以用“文件”菜单中的“导入课文…”导入录音和课文。");
}

void LessonTree::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    QTreeWidgetItem* node = itemFromIndex(index);
    if (node && !node->parent() && event->button() == Qt::LeftButton &&
        event->position().x() < visualRect(index).left()) {
        m_arrowPressed = true;
        node->setExpanded(!node->isExpanded());
        event->accept();
        return;
    }
    m_arrowPressed = false;
    QTreeWidget::mousePressEvent(event);
}

void LessonTree::mouseReleaseEvent(QMouseEvent* event)
{
    // The release that ends a press on the arrow is no click either.
    if (std::exchange(m_arrowPressed, false)) {
        event->accept();
        return;
    }
    QTreeWidget::mouseReleaseEvent(event);
}

void LessonTree::keyPressEvent(QKeyEvent* event)
{
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        emit nodeChosen(currentItem());
        return;
    }
    QTreeWidget::keyPressEvent(event);
}
