#include "lessons/timetext.h"
#include "monitorcapture.h"
#include "sentencedriver.h"
#include "testaudio.h"
#include "testmain.h"

#include <QAbstractTextDocumentLayout>
#include <QLabel>
#include <QTextBlock>
#include <QTreeWidgetItem>

using namespace Qt::StringLiterals;

// A sentence clicked, anywhere on it, is marked, shown with its translation and heard from its
// start to its end; the arrows move to its neighbours, while it plays too.
class TestStudyWindowSentences : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!TestAudio::pulseAvailable()) {
            QSKIP("no PulseAudio server: start one with tools/start-pulse.sh");
        }
    }

    void clickingASentenceMarksShowsAndPlaysIt()
    {
        StudyFixture fixture;
        SentenceDriver d(fixture);
        fixture.openLesson(1, 1);
        const SentenceTable& lists = d.window().sentences();

        d.clickSentence(2);
        QCOMPARE(d.window().currentSentence(), 2);
        QCOMPARE(d.redRange(), d.sentenceRange(2));
        QCOMPARE(d.window().sentenceView().colorAt(d.sentenceStart(2) - 3), teal);
        QCOMPARE(d.currentSentenceText(), lists.sentence(2));
        QCOMPARE(d.label(QStringLiteral("translationLine")), lists.translation(2));
        QCOMPARE(d.window().player().playState(), MediaPlayer::Playing);
        QCOMPARE(d.window().player().endPosition(), TimeText::seconds(lists.endText(2)));
        QVERIFY(!d.lessonText()->textCursor().hasSelection());

        // The mark moves: the earlier sentence is teal again.
        d.clickSentence(5);
        QCOMPARE(d.window().currentSentence(), 5);
        QCOMPARE(d.redRange(), d.sentenceRange(5));
        QTRY_COMPARE_WITH_TIMEOUT(d.window().player().playState(), MediaPlayer::Stopped, 15000);
        QVERIFY(d.window().player().controls().currentPosition() >
                TimeText::seconds(lists.endText(5)));
        QCOMPARE(d.window().currentSentence(), 5);
    }

    void translationSwitchedOffKeepsTheLineEmpty()
    {
        StudyFixture fixture;
        SentenceDriver d(fixture);
        fixture.openLesson(1, 2);
        QLabel* toggle = d.window().findChild<QLabel*>(QStringLiteral("translationToggle"));
        QTest::mouseClick(toggle, Qt::LeftButton);
        QCOMPARE(toggle->text(), QStringLiteral("显 示"));
        QCOMPARE(d.label(QStringLiteral("translationLine")), QString());

        d.clickSentence(3);
        QCOMPARE(d.window().currentSentence(), 3);
        QCOMPARE(d.label(QStringLiteral("translationLine")), QString());
        QTest::mouseClick(toggle, Qt::LeftButton);
        QCOMPARE(toggle->text(), QStringLiteral("隐 藏"));
        QCOMPARE(d.label(QStringLiteral("translationLine")), d.window().sentences().translation(3));

        // The switch survives a lesson change.
        QTest::mouseClick(toggle, Qt::LeftButton);
        fixture.openLesson(1, 3);
        QCOMPARE(toggle->text(), QStringLiteral("显 示"));
        d.window().stopLessonReading();
    }

    void clickingBetweenSentencesChangesNothing()
    {
        StudyFixture fixture;
        SentenceDriver d(fixture);
        fixture.openLesson(1, 1);
        d.clickSentence(1);
        d.window().player().controls().stop();
        const auto marked = d.redRange();
        // The empty paragraph right after sentence 1.
        d.clickAt(d.sentenceStart(2) - 1);
        QCOMPARE(d.window().currentSentence(), 1);
        QCOMPARE(d.redRange(), marked);
        QCOMPARE(d.window().player().playState(), MediaPlayer::Stopped);
    }

    void everyLineOfAWrappedSentenceSelectsTheWholeSentence()
    {
        QString longSentence;
        for (int i = 0; i < 14; ++i) {
            longSentence += QStringLiteral("Sentence number %1 goes on and on. ").arg(i);
        }
        longSentence = longSentence.trimmed();
        QTemporaryDir dir;
        StudyFixture fixture(
            makeSyntheticLesson(dir.path(),
                                {syntheticSentences[0],
                                 {longSentence, QStringLiteral("1.5"), QStringLiteral("2")},
                                 syntheticSentences[3]},
                                4.0));
        SentenceDriver d(fixture);
        fixture.openLesson(1, 1);
        const QTextBlock block = d.lessonText()->document()->findBlock(d.sentenceStart(1));
        QVERIFY2(block.layout()->lineCount() >= 3, "the long sentence must wrap to three lines");
        for (int line = 0; line < block.layout()->lineCount(); ++line) {
            d.clickSentence(0);
            d.clickAt(block.position() + block.layout()->lineAt(line).textStart() + 2);
            QCOMPARE(d.window().currentSentence(), 1);
            QCOMPARE(d.redRange(), d.sentenceRange(1));
            QCOMPARE(d.currentSentenceText(), longSentence);
            QCOMPARE(d.window().player().endPosition(), 2.0);
        }
        d.window().player().controls().stop();
    }

    void sentencesWithoutTextOrTimesAreNeverPlayedByMistake()
    {
        QTemporaryDir dir;
        StudyFixture fixture(makeSyntheticLesson(dir.path(), awkwardSentences, 4.0));
        SentenceDriver d(fixture);
        fixture.openLesson(1, 1);
        // An empty sentence before it no longer takes the click.
        d.clickSentence(6);
        QCOMPARE(d.window().currentSentence(), 6);
        QCOMPARE(d.redRange(), d.sentenceRange(6));
        QCOMPARE(d.window().player().playState(), MediaPlayer::Playing);
        // A negative or non-numeric end is no end: the sentence is shown but not played.
        for (int i : {4, 5}) {
            d.clickSentence(i);
            QCOMPARE(d.window().currentSentence(), i);
            QCOMPARE(d.currentSentenceText(), d.window().sentences().sentence(i));
            QCOMPARE(d.window().player().playState(), MediaPlayer::Stopped);
        }
    }

    void leavingTheLessonStopsPlaybackAndReading()
    {
        QTemporaryDir dir;
        StudyFixture fixture(makeSyntheticLesson(dir.path(), syntheticSentences, 4.0));
        SentenceDriver d(fixture);
        for (bool reading : {false, true}) {
            for (QTreeWidgetItem* node : {fixture.lessonNode(1, 1), fixture.bookNode(2)}) {
                fixture.openLesson(1, 1);
                if (reading) {
                    d.toolbar(1);
                } else {
                    d.clickSentence(1);
                }
                QCOMPARE(d.window().player().playState(), MediaPlayer::Playing);
                // "停止" can end a clicked sentence as well as a reading.
                QVERIFY(d.stopEnabled());
                fixture.click(node);
                QVERIFY(d.window().player().playState() != MediaPlayer::Playing);
                QVERIFY(!d.window().continuousReading());
                QCOMPARE(d.window().currentSentence(), -1);
                QVERIFY(!d.stopEnabled());
                QTest::qWait(reading ? 1300 : 0);
                QVERIFY(d.window().player().playState() != MediaPlayer::Playing);
            }
        }
    }

    void aRepeatedSentenceMarksItsFirstOccurrence()
    {
        StudyFixture fixture;
        SentenceDriver d(fixture);
        fixture.openLesson(1, 12);
        const QStringList& list = d.window().sentences().sentences;
        int first = -1;
        int later = -1;
        for (int i = 0; i < list.size() && later < 0; ++i) {
            if (list.indexOf(list[i]) != i) {
                first = int(list.indexOf(list[i]));
                later = i;
            }
        }
        QVERIFY(later > first && first >= 0);
        d.clickSentence(later);
        QCOMPARE(d.window().currentSentence(), first);
        QCOMPARE(d.redRange(), d.sentenceRange(first));
        d.window().player().controls().stop();
    }

    void navigationAtTheEndsOfTheLesson()
    {
        StudyFixture fixture;
        SentenceDriver d(fixture);
        fixture.openLesson(1, 3);
        const int count = d.window().sentences().count();
        QCOMPARE(d.window().currentSentence(), -1);

        d.press(2); // "朗  读" without a current sentence does nothing
        QCOMPARE(d.window().player().playState(), MediaPlayer::Stopped);
        QCOMPARE(d.window().currentSentence(), -1);

        d.press(0); // from -1: sentence 0, and "上一句" disables itself
        QCOMPARE(d.window().currentSentence(), 0);
        QVERIFY(!d.button(0)->isEnabled());
        QCOMPARE(d.redRange(), d.sentenceRange(0));
        QCOMPARE(d.window().player().playState(), MediaPlayer::Stopped);

        // A later sentence clicked in the text leaves it disabled...
        d.clickSentence(4);
        d.window().player().controls().stop();
        QVERIFY(!d.button(0)->isEnabled());
        // ...until "下一句" is pressed, with the right button as well as the left.
        d.press(1, Qt::RightButton);
        QCOMPARE(d.window().currentSentence(), 5);
        QVERIFY(d.button(0)->isEnabled());
        QCOMPARE(d.currentSentenceText(), d.window().sentences().sentence(5));

        while (d.window().currentSentence() < count - 1) {
            d.press(1);
        }
        QVERIFY(d.button(1)->isEnabled());
        d.press(1);
        QCOMPARE(d.window().currentSentence(), count - 1);
        QVERIFY(!d.button(1)->isEnabled());
        QCOMPARE(d.redRange(), d.sentenceRange(count - 1));
        d.press(0);
        QCOMPARE(d.window().currentSentence(), count - 2);
        QVERIFY(d.button(1)->isEnabled());

        d.press(2);
        QCOMPARE(d.window().player().playState(), MediaPlayer::Playing);
        QCOMPARE(d.window().player().endPosition(),
                 TimeText::seconds(d.window().sentences().endText(count - 2)));
        d.window().player().controls().stop();

        // A new lesson enables both again.
        d.press(0);
        d.press(0);
        fixture.openLesson(1, 3);
        QVERIFY(d.button(0)->isEnabled());
        QVERIFY(d.button(1)->isEnabled());
    }

    void aClickedSentenceIsHeardFrameExact()
    {
        QTemporaryDir dir;
        StudyFixture fixture(makeSyntheticLesson(dir.path(), syntheticSentences, 4.0));
        SentenceDriver d(fixture);
        fixture.openLesson(1, 1);
        MediaPlayer& player = d.window().player();
        QVERIFY(player.hasMedia());

        MonitorCapture capture;
        QVERIFY2(capture.start(), qPrintable(capture.errorString()));
        QTest::qWait(300);
        d.clickSentence(1);
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), MediaPlayer::Stopped, 5000);
        const std::vector<qint16> heard = capture.stop();

        const qint64 first = MediaPlayer::startFrame(1.5, player.sampleRate());
        const qint64 stop = MediaPlayer::stopFrame(2.0, player.sampleRate());
        const auto expected = sourceFrames(player, first, stop);
        const qint64 at = TestAudio::findFrames(heard, expected);
        QVERIFY2(at >= 0, "the sentence's frames were not heard in one piece");
        // Nothing before the first frame or after the last one: the noise has no silent frame.
        QCOMPARE(TestAudio::countNonSilentFrames(heard), stop - first);
    }

    void navigatingDuringPlaybackMovesTheEnd()
    {
        QTemporaryDir dir;
        StudyFixture fixture(makeSyntheticLesson(dir.path(), syntheticSentences, 4.0));
        SentenceDriver d(fixture);
        fixture.openLesson(1, 1);
        MediaPlayer& player = d.window().player();

        // "下一句" at once: the sound goes on to the end of sentence 1.
        MonitorCapture capture;
        QVERIFY2(capture.start(), qPrintable(capture.errorString()));
        QTest::qWait(300);
        d.clickSentence(0);
        d.press(1);
        QCOMPARE(d.window().currentSentence(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), MediaPlayer::Stopped, 5000);
        const std::vector<qint16> heard = capture.stop();
        const qint64 first = MediaPlayer::startFrame(0.5, player.sampleRate());
        const qint64 stop = MediaPlayer::stopFrame(2.0, player.sampleRate());
        QVERIFY(TestAudio::findFrames(heard, sourceFrames(player, first, stop)) >= 0);
        QCOMPARE(TestAudio::countNonSilentFrames(heard), stop - first);

        // "上一句" to a sentence whose end has passed stops at once.
        d.clickSentence(2);
        QTest::qWait(150);
        QCOMPARE(player.playState(), MediaPlayer::Playing);
        d.press(0);
        QCOMPARE(d.window().currentSentence(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), MediaPlayer::Stopped, 200);

        // An earlier sentence clicked while a later one sounds still follows the buttons.
        d.clickSentence(3);
        QTest::qWait(100);
        d.clickSentence(0);
        QCOMPARE(player.playState(), MediaPlayer::Playing);
        d.press(1);
        QCOMPARE(player.endPosition(), 2.0);

        // "朗读" during a later sentence: the first pause still runs as a pause.
        d.clickSentence(3);
        QTest::qWait(100);
        d.toolbar(1);
        QTRY_VERIFY_WITH_TIMEOUT(d.window().isPausingBetweenSentences(), 3000);
        d.toolbar(2);
    }
};

ORLUNE_TEST_MAIN(TestStudyWindowSentences)
#include "tst_studywindow_sentences.moc"
