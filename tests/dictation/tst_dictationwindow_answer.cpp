#include "dictation/dictationwindow.h"
#include "dictationfixture.h"

#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>

// What the window reports when the answer is shown, for the study window to star mistaken
// sentences: book 1 lesson 1, whose first sentence is "Good morning, Dad.".
class TestDictationWindowAnswer : public QObject
{
    Q_OBJECT
private slots:
    void reportsTheSentenceAndWhetherItWasMistaken()
    {
        const struct
        {
            const char* typed;
            int reports; // 0: nothing typed is no attempt
            bool mistaken;
        } cases[] = {
            {"good morning, dad", 1, false},
            {"Good  Morning Dad.", 1, false},
            {"good mornin dad", 1, true},
            {"good morning", 1, true},
            {"   ", 0, false},
        };
        for (const auto& c : cases) {
            DictationFixture fixture;
            QVERIFY(fixture.isValid());
            fixture.openLesson(1, 1);
            DictationWindow& window = fixture.window();
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QSignalSpy spy(&window, &DictationWindow::answerShown);
            QTest::keyClicks(fixture.input(), QString::fromLatin1(c.typed));
            fixture.clickButton(3);
            QCOMPARE(spy.size(), c.reports);
            if (c.reports > 0) {
                const QList<QVariant> report = spy.first();
                QCOMPARE(report.value(0).toInt(), 1);
                QCOMPARE(report.value(1).toInt(), 1);
                QCOMPARE(report.value(2).toInt(), 0);
                QCOMPARE(report.value(3).toString(), QStringLiteral("Good morning, Dad."));
                QVERIFY2(report.value(4).toBool() == c.mistaken, c.typed);
            }
        }
    }
};

DICTATION_TEST_MAIN(TestDictationWindowAnswer)
#include "tst_dictationwindow_answer.moc"
