#include "lessontreeshading.h"

#include "learnerstore.h"

#include <QTreeWidget>

namespace LessonTreeShading {

void shade(QTreeWidget* tree, const QString& carriedDatabase, const LearnerStore& store)
{
    // Two queries for the whole tree, not two per lesson: the trees have 276 lessons.
    const QSet<QString> filled = LearnerStore::lessonsIn(carriedDatabase) + store.lessons();
    const QBrush grey = tree->palette().brush(QPalette::Disabled, QPalette::Text);
    for (int b = 0; b < tree->topLevelItemCount(); ++b) {
        QTreeWidgetItem* book = tree->topLevelItem(b);
        const QString bookDigit = QString::number(b + 1);
        for (int l = 0; l < book->childCount(); ++l) {
            QTreeWidgetItem* lesson = book->child(l);
            if (filled.contains(LearnerStore::lessonKey(bookDigit, lesson->text(0)))) {
                lesson->setData(0, Qt::ForegroundRole, QVariant());
                lesson->setToolTip(0, QString());
            } else {
                lesson->setForeground(0, grey);
                lesson->setToolTip(0, emptyLessonTip());
            }
        }
    }
}

QString emptyLessonTip()
{
    return QStringLiteral("这一课还没有内容：可以用“文件”菜单中的“导入课文…”导入录音和课文。");
}

} // namespace LessonTreeShading
