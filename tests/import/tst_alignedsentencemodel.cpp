#include "import/alignedsentencemodel.h"
#include "lessons/timetext.h"

#include <QSignalSpy>
#include <QTest>
#include <cstdlib>

// The table the learner checks an alignment in: boundaries nudged between neighbours, and the
// sentences the aligner was unsure of marked until the learner has moved them.
class TestAlignedSentenceModel : public QObject
{
    Q_OBJECT

private slots:
    void nudgesStayBetweenNeighbours_data()
    {
        QTest::addColumn<QList<int>>("steps"); // +-row*10+1: end, +-row*10: start; sign: later
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        // Spans (ms): [30, 1000] [1200, 2000] [2000, 3500], recording 4000 ms.
        QTest::newRow("first start stops at 0") << QList<int>{-1, -1} << 0 << 0 << 1000;
        QTest::newRow("start later") << QList<int>{+1} << 0 << 80 << 1000;
        QTest::newRow("end later up to the next start")
            << QList<int>{+2, +2, +2, +2, +2, +2} << 0 << 30 << 1200;
        QTest::newRow("start earlier down to the previous end")
            << QList<int>{-11, -11, -11, -11, -11} << 1 << 1000 << 2000;
        QTest::newRow("start cannot cross a touching neighbour")
            << QList<int>{-21} << 2 << 2000 << 3500;
        QTest::newRow("end cannot cross a touching neighbour")
            << QList<int>{+12} << 1 << 1200 << 2000;
        QTest::newRow("a sentence keeps its shortest length")
            << QList<int>(20, -12) << 1 << 1200 << 1300;
        QTest::newRow("last end stops at the recording's end")
            << QList<int>(20, +22) << 2 << 2000 << 4000;
        QTest::newRow("there and back is exact")
            << QList<int>{+11, -11, -12, +12} << 1 << 1200 << 2000;
    }

    void nudgesStayBetweenNeighbours()
    {
        QFETCH(QList<int>, steps);
        QFETCH(int, row);
        QFETCH(int, start);
        QFETCH(int, end);
        AlignedSentenceModel model;
        model.setSentences({QStringLiteral("A."), QStringLiteral("B."), QStringLiteral("C.")}, {},
                           {{0.03, 1.0}, {1.2, 2.0}, {2.0, 3.5}}, 4.0);
        for (int step : steps) {
            const int code = std::abs(step) - 1; // row * 10 + (1 for the end)
            const int ms = step > 0 ? AlignedSentenceModel::nudgeMilliseconds
                                    : -AlignedSentenceModel::nudgeMilliseconds;
            if (code % 10 == 1) {
                model.nudgeEnd(code / 10, ms);
            } else {
                model.nudgeStart(code / 10, ms);
            }
        }
        QCOMPARE(qRound(model.startSeconds(row) * 1000), start);
        QCOMPARE(qRound(model.endSeconds(row) * 1000), end);
        for (int i = 0; i + 1 < model.rowCount(); ++i) {
            QVERIFY(model.endSeconds(i) <= model.startSeconds(i + 1));
        }
        const QList<SentenceRow> rows = model.sentenceRows();
        QCOMPARE(rows.last().end, QString());
        QCOMPARE(rows[row].start, TimeText::fromSeconds(start / 1000.0));
    }

    void unsureSentencesAreMarkedUntilMoved()
    {
        AlignedSentenceModel model;
        model.setSentences({QStringLiteral("A."), QStringLiteral("B."), QStringLiteral("C.")}, {},
                           {{0.03, 1.0}, {1.2, 2.0}, {2.0, 3.5}}, 4.0, false, {0.9, 0.2, 0.49});
        QCOMPARE(model.unsureCount(), 2);
        for (int row = 0; row < 3; ++row) {
            const bool unsure = row > 0;
            QCOMPARE(model.isUnsure(row), unsure);
            const QModelIndex cell = model.index(row, AlignedSentenceModel::SentenceColumn);
            QCOMPARE(model.data(cell, Qt::BackgroundRole).isValid(), unsure);
            QCOMPARE(model.data(cell, Qt::ToolTipRole).toString().contains(QStringLiteral("试听")),
                     unsure);
        }
        // Moving a boundary is the learner's check: that row's mark goes, the others stay.
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QVERIFY(model.nudgeEnd(2, AlignedSentenceModel::nudgeMilliseconds));
        QVERIFY(!model.isUnsure(2));
        QVERIFY(model.isUnsure(1));
        QCOMPARE(changed.first().at(0).toModelIndex().column(), 0);
        // Without a confidence every sentence is taken as sure.
        model.setSentences({QStringLiteral("A.")}, {}, {{0.1, 1.0}}, 2.0);
        QCOMPARE(model.unsureCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestAlignedSentenceModel)
#include "tst_alignedsentencemodel.moc"
