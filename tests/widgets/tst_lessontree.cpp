#include "lessons/learnerstore.h"
#include "lessons/lessoncatalog.h"
#include "widgets/lessontree.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A store holding one sentence of each lesson named "book/number".
void fill(LearnerStore& store, const QString& recording, const QStringList& lessons)
{
    for (const QString& key : lessons) {
        const QString book = key.section(u'/', 0, 0);
        const QString lesson = LessonCatalog::lessonText(key.section(u'/', 1).toInt());
        QString error;
        QVERIFY2(
            store.importLesson(
                {book, lesson, {{u"A sentence."_s, u"一句。"_s, u".5"_s, u""_s}}, {}, recording},
                &error),
            qPrintable(error));
    }
}

bool isGrey(const QTreeWidgetItem* node)
{
    return node->data(0, Qt::ForegroundRole).isValid() &&
           node->toolTip(0) == LessonTree::emptyLessonTip();
}

// Which of the tree's icons a node shows: they are made once and shared.
qint64 iconOf(const QTreeWidgetItem* node)
{
    return node->icon(0).cacheKey();
}

} // namespace

class TestLessonTree : public QObject
{
    Q_OBJECT

private slots:
    // Both windows' tree: the books and their lessons, greyed where there is nothing to study
    // in the carried course or the learner's store, ticked once read, chosen by click or Enter.
    void showsWhatEachLessonHolds_data()
    {
        QTest::addColumn<QStringList>("carried");
        QTest::addColumn<QStringList>("imported");
        QTest::addColumn<QStringList>("filled");
        QTest::newRow("nothing anywhere") << QStringList{} << QStringList{} << QStringList{};
        QTest::newRow("the carried course") << QStringList{u"1/1"_s, u"4/48"_s} << QStringList{}
                                            << QStringList{u"1/1"_s, u"4/48"_s};
        QTest::newRow("the learner's own")
            << QStringList{u"1/1"_s} << QStringList{u"2/96"_s, u"1/1"_s}
            << QStringList{u"1/1"_s, u"2/96"_s};
    }

    void showsWhatEachLessonHolds()
    {
        QFETCH(QStringList, carried);
        QFETCH(QStringList, imported);
        QFETCH(QStringList, filled);
        QTemporaryDir dir;
        const QString recording = dir.filePath(u"r.mp3"_s);
        QFile file(recording);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("sound") == 5);
        file.close();
        // A store's database has the carried tables, so a second store stands in for the course.
        LearnerStore course(dir.filePath(u"course"_s));
        fill(course, recording, carried);
        LearnerStore store(dir.filePath(u"store"_s));

        LessonTree tree;
        QCOMPARE(tree.topLevelItemCount(), LessonCatalog::bookCount);
        for (int book = 1; book <= LessonCatalog::bookCount; ++book) {
            QCOMPARE(tree.bookNode(book)->childCount(), LessonCatalog::lessonCounts[book - 1]);
        }
        tree.shade(course.databasePath(), store);
        fill(store, recording, imported);
        tree.shade(course.databasePath(), store);
        for (int book = 1; book <= LessonCatalog::bookCount; ++book) {
            for (int lesson = 1; lesson <= LessonCatalog::lessonCounts[book - 1]; ++lesson) {
                const QString key = u"%1/%2"_s.arg(book).arg(lesson);
                QTreeWidgetItem* node = tree.lessonNode(book, lesson);
                QCOMPARE(LessonTree::bookOf(node), book);
                QCOMPARE(LessonTree::lessonOf(node), lesson);
                QVERIFY2(isGrey(node) != filled.contains(key), qPrintable(key));
                // The learner's own lessons carry their own icon and their first sentence.
                const bool own = imported.contains(key);
                QCOMPARE(node->data(0, LessonTree::importedRole).toBool(), own);
                QCOMPARE(node->toolTip(0).contains(u"A sentence."_s), own);
                QCOMPARE(iconOf(node) == iconOf(tree.lessonNode(4, 1)), !own);
            }
        }

        tree.markRead(3, 60);
        QVERIFY(tree.lessonNode(3, 60)->data(0, LessonTree::readRole).toBool());
        QVERIFY(!tree.lessonNode(3, 59)->data(0, LessonTree::readRole).toBool());
        QVERIFY(iconOf(tree.lessonNode(3, 60)) != iconOf(tree.lessonNode(3, 59)));
        tree.markRead(3, 60, false);
        QVERIFY(!tree.lessonNode(3, 60)->data(0, LessonTree::readRole).toBool());
        QCOMPARE(iconOf(tree.lessonNode(3, 60)), iconOf(tree.lessonNode(3, 59)));

        QSignalSpy chosen(&tree, &LessonTree::nodeChosen);
        tree.setCurrentItem(tree.bookNode(2));
        QTest::keyClick(&tree, Qt::Key_Return);
        QTest::keyClick(&tree, Qt::Key_Enter, Qt::KeypadModifier);
        QTest::keyClick(&tree, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(chosen.count(), 2);
        QCOMPARE(chosen.at(0).at(0).value<QTreeWidgetItem*>(), tree.bookNode(2));
    }

    void tellsOfAnUnreadableStoreOncePerProblem()
    {
        QTemporaryDir dir;
        LearnerStore store(dir.filePath(u"store"_s));
        QVERIFY(QDir().mkpath(store.folder()));
        QFile damaged(store.databasePath());
        QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write(QByteArray(4096, 'x')) > 0);
        damaged.close();
        LessonTree tree;
        QSignalSpy told(&tree, &LessonTree::storeUnreadable);
        tree.shade(QString(), store);
        tree.shade(QString(), store);
        QCOMPARE(told.count(), 1);
        QVERIFY(told.at(0).at(0).toString().contains(u"已损坏"_s));
        // Once the store reads again, the next problem is news.
        QVERIFY(QFile::remove(store.databasePath()));
        tree.shade(QString(), store);
        QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write(QByteArray(4096, 'y')) > 0);
        damaged.close();
        tree.shade(QString(), store);
        QCOMPARE(told.count(), 2);
    }

    // The arrow opens and closes a book like any tree's, and is no click on the book; an
    // opened book low in the tree brings its lessons into view.
    void theArrowOpensABookWithoutChoosingIt()
    {
        LessonTree tree;
        tree.resize(220, 80);
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        QSignalSpy chosen(&tree, &LessonTree::nodeChosen);
        for (int book : {1, 4}) {
            QTreeWidgetItem* node = tree.bookNode(book);
            tree.scrollToItem(node);
            const QRect row = tree.visualItemRect(node);
            const QPoint arrow(row.left() / 2, row.center().y());
            QVERIFY2(row.left() > 4, "no room for the arrow");
            QTreeWidgetItem* current = tree.currentItem();
            QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, arrow);
            QVERIFY(node->isExpanded());
            QCOMPARE(chosen.count(), 0);
            QCOMPARE(tree.currentItem(), current);
            const QRect first = tree.visualItemRect(node->child(0));
            QVERIFY2(tree.viewport()->rect().contains(first), qPrintable(QString::number(book)));
            tree.scrollToItem(node);
            QTest::mouseClick(tree.viewport(), Qt::LeftButton, {},
                              QPoint(tree.visualItemRect(node).left() / 2,
                                     tree.visualItemRect(node).center().y()));
            QVERIFY(!node->isExpanded());
            QCOMPARE(chosen.count(), 0);
        }
        // A click on the book's name is still the described click.
        QTreeWidgetItem* first = tree.bookNode(1);
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(first).center());
        QCOMPARE(chosen.count(), 1);
    }
};

Q_DECLARE_METATYPE(QTreeWidgetItem*)

QTEST_MAIN(TestLessonTree)
#include "tst_lessontree.moc"
