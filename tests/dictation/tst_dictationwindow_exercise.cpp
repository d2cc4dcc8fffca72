#include "dictation/dictationwindow.h"
#include "dictationfixture.h"
#include "lessons/timetext.h"
#include "widgets/facebutton.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeWidget>

// The exercise on book 1 lesson 1 (14 sentences). The player has media but no sound device, so
// each play shows only as the start and end it was given: exactly what a test can compare.
class TestDictationWindowExercise : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_fixture = std::make_unique<DictationFixture>();
        QVERIFY(m_fixture->isValid());
        m_fixture->openLesson(1, 1);
        m_source = readCourseLesson(1, 1);
        QCOMPARE(m_fixture->window().sentences().count(), 14);
    }
    void cleanup() { m_fixture.reset(); }

    void nextRightAfterLoadingMovesToSentence1()
    {
        type(QStringLiteral("good"));
        m_fixture->clickButton(1);
        DictationWindow& window = m_fixture->window();
        QCOMPARE(window.currentSentence(), 1);
        verifyPlayed(QStringLiteral("2.57"), 3.93);
        QVERIFY(window.isWatchingPlayback());
        QVERIFY(m_fixture->input()->toPlainText().isEmpty());
        QVERIFY(m_fixture->answer()->toPlainText().isEmpty());
        QCOMPARE(m_fixture->shownTranslation(), m_source.translations[1]);
        QCOMPARE(window.hiddenTranslation(), m_source.translations[1]);
        QVERIFY(m_fixture->input()->hasFocus());
        QVERIFY(m_fixture->button(6)->isEnabled());
    }

    void lastSentenceKeepsItsPlace()
    {
        DictationWindow& window = m_fixture->window();
        for (int i = 1; i <= 13; ++i) {
            m_fixture->clickButton(1);
            QCOMPARE(window.currentSentence(), i);
        }
        QVERIFY(m_fixture->button(1)->isEnabled());
        // The last sentence has no end time: it plays on to the end of the recording.
        verifyPlayed(QStringLiteral("26.43"), -1.0);

        type(QStringLiteral("see you"));
        m_fixture->clickButton(3);
        m_fixture->player().controls().setCurrentPosition(5.0);
        m_fixture->clickButton(1);
        QCOMPARE(window.currentSentence(), 13);
        QVERIFY(!m_fixture->button(1)->isEnabled());
        QVERIFY(m_fixture->button(6)->isEnabled());
        verifyPlayed(QStringLiteral("26.43"), -1.0);
        QVERIFY(m_fixture->input()->toPlainText().isEmpty());
        QVERIFY(m_fixture->answer()->toPlainText().isEmpty());
        QCOMPARE(m_fixture->shownTranslation(), m_source.translations[13]);

        m_fixture->clickButton(6);
        QCOMPARE(window.currentSentence(), 12);
        QVERIFY(m_fixture->button(1)->isEnabled());
        verifyPlayed(QStringLiteral("24.5"), 25.74);
    }

    void firstSentenceKeepsItsPlace()
    {
        DictationWindow& window = m_fixture->window();
        type(QStringLiteral("good"));
        m_fixture->clickButton(3);
        m_fixture->clickButton(6);
        QCOMPARE(window.currentSentence(), 0);
        QVERIFY(!m_fixture->button(6)->isEnabled());
        QVERIFY(m_fixture->button(1)->isEnabled());
        verifyPlayed(QStringLiteral(".5"), 1.88);
        QVERIFY(m_fixture->input()->toPlainText().isEmpty());
        QVERIFY(m_fixture->answer()->toPlainText().isEmpty());
        QCOMPARE(m_fixture->shownTranslation(), m_source.translations[0]);

        m_fixture->clickButton(1);
        QCOMPARE(window.currentSentence(), 1);
        QVERIFY(m_fixture->button(6)->isEnabled());
    }

    void oneSentenceLesson()
    {
        m_fixture->openLesson(3, 60);
        m_fixture->clickButton(1);
        QCOMPARE(m_fixture->window().currentSentence(), 0);
        QVERIFY(!m_fixture->button(1)->isEnabled());
        verifyPlayed(QStringLiteral(".5"), -1.0);
        m_fixture->clickButton(6);
        QCOMPARE(m_fixture->window().currentSentence(), 0);
        QVERIFY(!m_fixture->button(6)->isEnabled());
        QVERIFY(m_fixture->button(1)->isEnabled());
    }

    void answerAndReplayLeaveTheTyping()
    {
        m_fixture->clickButton(1);
        type(QStringLiteral("good morning lily"));
        m_fixture->clickButton(3);
        QCOMPARE(m_fixture->answer()->toPlainText(), m_source.sentences[1]);
        m_fixture->clickButton(3, Qt::RightButton);
        QCOMPARE(m_fixture->answer()->toPlainText(), m_source.sentences[1]);
        QCOMPARE(m_fixture->input()->toPlainText(), QStringLiteral("good morning lily"));

        m_fixture->player().controls().setCurrentPosition(20.0);
        m_fixture->clickButton(2, Qt::MiddleButton);
        verifyPlayed(QStringLiteral("2.57"), 3.93);
        QCOMPARE(m_fixture->window().currentSentence(), 1);
        QCOMPARE(m_fixture->input()->toPlainText(), QStringLiteral("good morning lily"));
        QCOMPARE(m_fixture->answer()->toPlainText(), m_source.sentences[1]);
        QVERIFY(m_fixture->input()->hasFocus());
        QCOMPARE(m_fixture->answer()->textCursor().position(), int(m_source.sentences[1].size()));
    }

    void longAnswerIsScrolledToItsEnd()
    {
        m_fixture->openLesson(3, 60);
        m_fixture->clickButton(3);
        QPlainTextEdit* answer = m_fixture->answer();
        QCOMPARE(answer->toPlainText(), readCourseLesson(3, 60).sentences.first());
        QCOMPARE(answer->textCursor().position(), int(answer->toPlainText().size()));
        QVERIFY(answer->cursorRect().bottom() <= answer->viewport()->height());
        QVERIFY(answer->cursorRect().top() >= 0);
    }

    void hiddenTranslationFollowsTheSentence()
    {
        DictationWindow& window = m_fixture->window();
        QTest::mouseClick(m_fixture->label(QStringLiteral("translationToggleBack")),
                          Qt::LeftButton);
        QCOMPARE(m_fixture->toggleCaption(), QStringLiteral("显 示"));
        m_fixture->clickButton(1);
        m_fixture->clickButton(1);
        QVERIFY(m_fixture->shownTranslation().isEmpty());
        QCOMPARE(window.hiddenTranslation(), m_source.translations[2]);
        m_fixture->clickButton(6);
        QVERIFY(m_fixture->shownTranslation().isEmpty());
        QCOMPARE(window.hiddenTranslation(), m_source.translations[1]);
        QTest::mouseClick(m_fixture->label(QStringLiteral("translationToggleBack")),
                          Qt::LeftButton);
        QCOMPARE(m_fixture->shownTranslation(), m_source.translations[1]);
        m_fixture->clickButton(1);
        QCOMPARE(m_fixture->shownTranslation(), m_source.translations[2]);
    }

    void endCheckActsOnlyPastTheEnd()
    {
        DictationWindow& window = m_fixture->window();
        MediaPlayer& player = m_fixture->player();
        const auto stopAt = [&player](double seconds) {
            // Where the player stands after stopping by itself, then its report.
            player.controls().setCurrentPosition(seconds);
            emit player.endReached();
        };
        m_fixture->clickButton(2);
        QVERIFY(window.isWatchingPlayback());
        stopAt(1.88);
        QVERIFY2(window.isWatchingPlayback(), "stopped at the end time itself, not past it");
        stopAt(1.88 + 1.0 / player.sampleRate());
        QVERIFY(!window.isWatchingPlayback());

        // Playback this window did not start is none of its business.
        stopAt(30.0);
        QVERIFY(!window.isWatchingPlayback());

        // An empty end time never ends the watch, not even at the end of the recording.
        for (int i = 0; i < 13; ++i) {
            m_fixture->clickButton(1);
        }
        stopAt(double(player.frameCount()) / player.sampleRate());
        QVERIFY(window.isWatchingPlayback());

        // Closing ends the watch; the player is left as it is.
        window.close();
        QVERIFY(!window.isWatchingPlayback());
        QVERIFY(player.hasMedia());
    }

    void shortcutsDriveTheButtons()
    {
        DictationWindow& window = m_fixture->window();
        QPlainTextEdit* input = m_fixture->input();
        QVERIFY(input->hasFocus());
        const QList<std::tuple<QKeyCombination, int>> steps{
            {Qt::CTRL | Qt::Key_Down, 1},     {Qt::CTRL | Qt::Key_PageDown, 2},
            {Qt::CTRL | Qt::Key_Up, 1},       {Qt::CTRL | Qt::Key_PageUp, 0},
            {Qt::CTRL | Qt::Key_PageDown, 1},
        };
        for (const auto& [key, sentence] : steps) {
            type(QStringLiteral("abc"));
            QTest::keyClick(input, key.key(), key.keyboardModifiers());
            QCOMPARE(window.currentSentence(), sentence);
            QVERIFY(input->toPlainText().isEmpty());
        }
        verifyPlayed(QStringLiteral("2.57"), 3.93);

        type(QStringLiteral("good"));
        m_fixture->player().controls().setCurrentPosition(12.0);
        QTest::keyClick(input, Qt::Key_R, Qt::ControlModifier);
        verifyPlayed(QStringLiteral("2.57"), 3.93);
        QTest::keyClick(input, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(m_fixture->answer()->toPlainText(), m_source.sentences[1]);
        QTest::keyClick(input, Qt::Key_T, Qt::ControlModifier);
        QCOMPARE(m_fixture->toggleCaption(), QStringLiteral("显 示"));
        // None of them typed anything.
        QCOMPARE(input->toPlainText(), QStringLiteral("good"));

        // A disabled button's shortcut does nothing either.
        QTest::keyClick(input, Qt::Key_Up, Qt::ControlModifier);
        QTest::keyClick(input, Qt::Key_Up, Qt::ControlModifier);
        QVERIFY(!m_fixture->button(6)->isEnabled());
        type(QStringLiteral("x"));
        QTest::keyClick(input, Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(input->toPlainText(), QStringLiteral("x"));
    }

    void tooltipsNameTheShortcuts()
    {
        const QList<std::pair<int, QKeySequence>> keys{
            {6, QKeySequence(Qt::CTRL | Qt::Key_Up)},
            {1, QKeySequence(Qt::CTRL | Qt::Key_Down)},
            {2, QKeySequence(Qt::CTRL | Qt::Key_R)},
            {3, QKeySequence(Qt::CTRL | Qt::Key_Return)},
        };
        for (const auto& [index, key] : keys) {
            const QString tip = m_fixture->button(index)->toolTip();
            QVERIFY2(tip.contains(key.toString(QKeySequence::NativeText)), qPrintable(tip));
            QVERIFY(tip.startsWith(m_fixture->button(index)->caption().remove(u' ')));
        }
        QVERIFY(
            m_fixture->label(QStringLiteral("translationToggleBack"))
                ->toolTip()
                .contains(QKeySequence(Qt::CTRL | Qt::Key_T).toString(QKeySequence::NativeText)));
    }

    void typingTakesChineseAndPhoneticSymbols()
    {
        QPlainTextEdit* input = m_fixture->input();
        type(QStringLiteral("I said "));
        // keyClicks stops at characters beyond Latin-1: these come as text, as from an input
        // method.
        for (const QString& text : {QStringLiteral("早上好"), QStringLiteral("，"),
                                    QStringLiteral("ˈmɔːnɪŋ"), QStringLiteral(" θðʃʒŋə")}) {
            QTest::sendKeyEvent(QTest::KeyAction::Click, input, Qt::Key_unknown, text,
                                Qt::NoModifier);
        }
        QCOMPARE(input->toPlainText(), QStringLiteral("I said 早上好，ˈmɔːnɪŋ θðʃʒŋə"));
        QTest::keyClick(input, Qt::Key_Backspace);
        QCOMPARE(input->toPlainText(), QStringLiteral("I said 早上好，ˈmɔːnɪŋ θðʃʒŋ"));
    }

    void wholeLessonWithoutTheMouse()
    {
        m_fixture->reopen();
        QTreeWidget* tree = m_fixture->tree();
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_Home);
        QTest::keyClick(tree, Qt::Key_Return);
        QTest::keyClick(tree, Qt::Key_Down);
        QTest::keyClick(tree, Qt::Key_Return);
        DictationWindow& window = m_fixture->window();
        QCOMPARE(window.sentences().count(), 14);
        QPlainTextEdit* input = m_fixture->input();
        QVERIFY(input->hasFocus());
        for (int i = 0; i < 14; ++i) {
            QCOMPARE(window.currentSentence(), i);
            QTest::keyClick(input, Qt::Key_R, Qt::ControlModifier);
            QVERIFY(window.isWatchingPlayback());
            type(m_source.sentences[i]);
            QTest::keyClick(input, Qt::Key_Return, Qt::ControlModifier);
            QCOMPARE(m_fixture->answer()->toPlainText(), input->toPlainText());
            QVERIFY(input->hasFocus());
            QTest::keyClick(input, Qt::Key_Down, Qt::ControlModifier);
        }
        QCOMPARE(window.currentSentence(), 13);
        QVERIFY(!m_fixture->button(1)->isEnabled());
    }

private:
    void type(const QString& text) { QTest::keyClicks(m_fixture->input(), text); }

    // The last play asked for: the start as the lesson stores it, and the end (-1: none).
    void verifyPlayed(const QString& start, double end)
    {
        MediaPlayer& player = m_fixture->player();
        QCOMPARE(player.endPosition(), end);
        const double expected =
            double(MediaPlayer::startFrame(TimeText::seconds(start), player.sampleRate())) /
            player.sampleRate();
        QCOMPARE(player.controls().currentPosition(), expected);
    }

    std::unique_ptr<DictationFixture> m_fixture;
    CourseLesson m_source;
};

DICTATION_TEST_MAIN(TestDictationWindowExercise)
#include "tst_dictationwindow_exercise.moc"
