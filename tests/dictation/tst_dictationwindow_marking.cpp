#include "dictation/dictationwindow.h"
#include "dictationfixture.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

// The marking of the learner's dictation on book 1 lesson 1, whose first sentence is
// "Good morning, Dad.".
class TestDictationWindowMarking : public QObject
{
    Q_OBJECT
private slots:
    void shownWithTheAnswerAndGoneWithTheSentence_data()
    {
        QTest::addColumn<int>("button"); // 0: another lesson chosen in the tree
        QTest::newRow("next sentence") << 1;
        QTest::newRow("previous sentence") << 6;
        QTest::newRow("another lesson") << 0;
    }
    void shownWithTheAnswerAndGoneWithTheSentence()
    {
        QFETCH(int, button);
        DictationFixture fixture;
        QVERIFY(fixture.isValid());
        fixture.openLesson(1, 1);
        DictationWindow& window = fixture.window();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* box = window.findChild<QTextEdit*>(QStringLiteral("answerMarking"));
        QVERIFY(box && !box->isVisible());
        // It lies where nothing described is hidden.
        for (const char* name :
             {"banner", "lessonTreeFrame", "inputFrame", "previousButton", "quitButton"}) {
            const auto* control = window.findChild<QWidget*>(QLatin1String(name));
            QVERIFY2(control && !control->geometry().intersects(box->geometry()), name);
        }
        QVERIFY(window.rect().contains(box->geometry()));

        QTest::keyClicks(fixture.input(), QStringLiteral("good  mornin dad dad"));
        fixture.clickButton(3);
        QCOMPARE(fixture.answer()->toPlainText(), QStringLiteral("Good morning, Dad."));
        QVERIFY(box->isVisible());
        const QString text = box->toPlainText();
        QVERIFY2(text.startsWith(QStringLiteral("2.5/3 个单词正确\ngood mornin(morning) dad")),
                 qPrintable(text));
        QStringList struck;
        for (auto it = box->document()->begin().begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().fontStrikeOut()) {
                struck.append(it.fragment().text());
            }
        }
        QCOMPARE(struck, QStringList{QStringLiteral("dad")});
        QVERIFY(fixture.input()->hasFocus());

        if (button == 0) {
            fixture.click(fixture.lessonNode(1, 2));
        } else {
            fixture.clickButton(button);
        }
        QVERIFY(!box->isVisible());
        QVERIFY(box->toPlainText().isEmpty());
    }
};

DICTATION_TEST_MAIN(TestDictationWindowMarking)
#include "tst_dictationwindow_marking.moc"
