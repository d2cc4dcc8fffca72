#include "widgets/lessontreeshading.h"

#include "lessons/learnerstore.h"

#include <QTreeWidget>

namespace LessonTreeShading {

QString shade(QTreeWidget* tree, const QString& carriedDatabase, const LearnerStore& store)
{
    // Two queries for the whole tree, not two per lesson: the trees have 276 lessons.
    QString problem;
    const QSet<QString> filled = LearnerStore::lessonsIn(carriedDatabase) + store.lessons(&problem);
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
    return problem;
}

QString storeProblemNotice(const QString& problem)
{
    return problem + QStringLiteral("。\n\n在问题解决之前，这里显示的是程序自带的课文；"
                                    "程序没有改动或删除你导入的任何文件。");
}

QString emptyLessonTip()
{
    return QStringLiteral("这一课还没有内容：可以用“文件”菜单中的“导入课文…”导入录音和课文。");
}

} // namespace LessonTreeShading
