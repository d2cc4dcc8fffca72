#include "lessons/lessoncatalog.h"
#include "lessons/sentencetable.h"
#include "lessons/timetext.h"

#include <QTest>

class TestLessonCatalog : public QObject
{
    Q_OBJECT
private slots:
    void treeTexts()
    {
        QCOMPARE(LessonCatalog::bookText(1), QStringLiteral("Quorv(第1册)"));
        QCOMPARE(LessonCatalog::bookKey(4), QStringLiteral("d"));
        QCOMPARE(LessonCatalog::lessonText(72), QStringLiteral("Lesson 72"));
        for (int book = 1; book <= 4; ++book) {
            QCOMPARE(LessonCatalog::bookDigit(LessonCatalog::bookText(book)),
                     QString::number(book));
        }
        int total = 0;
        for (const int n : LessonCatalog::lessonCounts) {
            total += n;
        }
        QCOMPARE(total, 276);
    }

    void audioNames_data()
    {
        QTest::addColumn<QString>("book");
        QTest::addColumn<QString>("lesson");
        QTest::addColumn<QString>("dat");
        QTest::addColumn<QString>("copy");
        QTest::newRow("1/1") << "1"
                             << "Lesson 1"
                             << "QVN101.dat"
                             << "QVN101.mp3";
        QTest::newRow("1/12") << "1"
                              << "Lesson 12"
                              << "QVN1012.dat"
                              << "QVN1012.mp3";
        QTest::newRow("1/10") << "1"
                              << "Lesson 10"
                              << "QVN1010.dat"
                              << "QVN1010.mp3";
        QTest::newRow("2/96") << "2"
                              << "Lesson 96"
                              << "QVN2096.dat"
                              << "QVN2096.mp3";
        QTest::newRow("3/30") << "3"
                              << "Lesson 30"
                              << "QVN3030.dat"
                              << "QVN3030.mp3";
        QTest::newRow("4/48") << "4"
                              << "Lesson 48"
                              << "QVN4048.dat"
                              << "QVN4048.mp3";
    }

    void audioNames()
    {
        QFETCH(QString, book);
        QFETCH(QString, lesson);
        QFETCH(QString, dat);
        QFETCH(QString, copy);
        const QString number = LessonCatalog::lessonNumber(lesson);
        QCOMPARE(LessonCatalog::audioFileName(book, number), dat);
        QCOMPARE(LessonCatalog::audioCopyName(book, number), copy);
    }

    void timesReadAsTheirLeadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("point five") << ".5" << 0.5;
        QTest::newRow("two decimals") << "2.43" << 2.43;
        QTest::newRow("whole") << "12" << 12.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("no number") << "abc" << 0.0;
        QTest::newRow("blanks inside") << " 1 2.5" << 12.5;
        QTest::newRow("trailing text") << "109.31s" << 109.31;
        QTest::newRow("second point ends") << "3.5.6" << 3.5;
        QTest::newRow("negative") << "-1.5" << -1.5;
        QTest::newRow("lone point") << "." << 0.0;
    }

    void timesReadAsTheirLeadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(TimeText::seconds(text), value);
    }

    void readingOutsideTheListsGivesEmptyText()
    {
        SentenceTable table;
        table.append(QStringLiteral("Hello."), QStringLiteral("你好。"), QStringLiteral(".5"),
                     QString());
        QCOMPARE(table.sentence(0), QStringLiteral("Hello."));
        QCOMPARE(table.sentence(-1), QString());
        QCOMPARE(table.endText(1), QString());
        QCOMPARE(table.startTime(7), 0.0);
        QCOMPARE(table.startTime(0), 0.5);
    }

    void endCheckIsStrictAndEmptyEndsNeverStop()
    {
        SentenceTable table;
        table.append(QStringLiteral("One."), QString(), QStringLiteral(".5"),
                     QStringLiteral("2.43"));
        table.append(QStringLiteral("Two."), QString(), QStringLiteral("3"), QString());
        QCOMPARE(table.endPosition(0), 2.43);
        QCOMPARE(table.endPosition(1), -1.0);
        QCOMPARE(table.endPosition(5), -1.0);
        QVERIFY(!table.isPastEnd(0, 2.43));
        QVERIFY(table.isPastEnd(0, 2.4300001));
        QVERIFY(!table.isPastEnd(1, 1e9));
        QVERIFY(!table.isPastEnd(-1, 10));
    }
};

QTEST_GUILESS_MAIN(TestLessonCatalog)
#include "tst_lessoncatalog.moc"
