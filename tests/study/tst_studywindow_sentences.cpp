#include "lessons/timetext.h"
#include "monitorcapture.h"
#include "study/studywindow.h"
#include "studyfixture.h"
#include "testaudio.h"
#include "testmain.h"
#include "widgets/facebutton.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTreeWidgetItem>

using namespace Qt::StringLiterals;

namespace {

const QColor teal(0, 128, 128);
const QColor red(255, 0, 0);

// Four sentences of half a second in a four-second noise recording; the last one runs on to
// the end of the recording.
const QList<SyntheticSentence> syntheticSentences{
    {QStringLiteral("First line here."), QStringLiteral(".5"), QStringLiteral("1")},
    {QStringLiteral("Second line here."), QStringLiteral("1.5"), QStringLiteral("2")},
    {QStringLiteral("Third line here."), QStringLiteral("2.5"), QStringLiteral("3")},
    {QStringLiteral("Last line here."), QStringLiteral("3.5"), QString()},
};

// Sentences a hand-made database may hold: an empty text, a start past the recording, an
// end before the start, ends that are not times.
const QList<SyntheticSentence> awkwardSentences{
    {QStringLiteral("First line here."), QStringLiteral(".5"), QStringLiteral("1")},
    {QString(), QStringLiteral("1.2"), QStringLiteral("1.4")},
    {QStringLiteral("Past the end."), QStringLiteral("9"), QStringLiteral("9.5")},
    {QStringLiteral("Backwards."), QStringLiteral("2"), QStringLiteral("1.5")},
    {QStringLiteral("No number."), QStringLiteral("2.2"), QStringLiteral("abc")},
    {QStringLiteral("Negative."), QStringLiteral("2.3"), QStringLiteral("-1")},
    {QStringLiteral("Third line here."), QStringLiteral("2.5"), QStringLiteral("3")},
    {QStringLiteral("Last line here."), QStringLiteral("3.5"), QString()},
};

class Driver
{
public:
    explicit Driver(StudyFixture& fixture) : m_fixture(fixture) {}

    StudyWindow& window() { return m_fixture.window(); }
    QTextEdit* lessonText() { return window().findChild<QTextEdit*>(QStringLiteral("lessonText")); }
    QString currentSentenceText()
    {
        return window()
            .findChild<QPlainTextEdit*>(QStringLiteral("currentSentence"))
            ->toPlainText();
    }
    QString label(const QString& name) { return window().findChild<QLabel*>(name)->text(); }
    FaceButton* button(int i)
    {
        return window().findChild<FaceButton*>(StudyFixture::sentenceButtonName(i));
    }
    void press(int i, Qt::MouseButton mouse = Qt::LeftButton)
    {
        QLabel* caption = button(i)->captionLabel();
        QTest::mouseClick(caption, mouse, {}, caption->rect().center());
    }

    // Where sentence i starts in the positions the view counts: one character per break.
    int sentenceStart(int i)
    {
        int position = 0;
        for (int j = 0; j < i; ++j) {
            position += int(window().sentences().sentence(j).size()) + 2;
        }
        return position;
    }

    // Clicks the character at `position` like a learner: press and release there.
    void clickAt(int position, Qt::MouseButton mouse = Qt::LeftButton)
    {
        QTextCursor cursor(lessonText()->document());
        cursor.setPosition(position);
        QRect rect = lessonText()->cursorRect(cursor);
        if (!lessonText()->viewport()->rect().contains(rect.center())) {
            lessonText()->verticalScrollBar()->setValue(lessonText()->verticalScrollBar()->value() +
                                                        rect.top() - 10);
            rect = lessonText()->cursorRect(cursor);
        }
        QTest::mouseClick(lessonText()->viewport(), mouse, {}, rect.center() + QPoint(3, 0));
    }
    void clickSentence(int i) { clickAt(sentenceStart(i) + 1); }

    // The positions in red, as one [first, last] range; {-1, -1} when none.
    std::pair<int, int> redRange()
    {
        const int length = int(window().sentenceView().charText().size());
        int first = -1;
        int last = -1;
        for (int p = 0; p < length; ++p) {
            if (window().sentenceView().colorAt(p) == red) {
                first = first < 0 ? p : first;
                last = p;
            }
        }
        return {first, last};
    }
    std::pair<int, int> sentenceRange(int i)
    {
        const int start = sentenceStart(i);
        return {start, start + int(window().sentences().sentence(i).size()) - 1};
    }

    bool readEnabled()
    {
        return window().findChild<QLabel*>(QStringLiteral("readLessonCaption"))->isEnabled() &&
               window().findChild<QLabel*>(QStringLiteral("readLessonIcon"))->isEnabled();
    }
    bool stopEnabled()
    {
        return window().findChild<QLabel*>(QStringLiteral("stopReadingCaption"))->isEnabled() &&
               window().findChild<QLabel*>(QStringLiteral("stopReadingIcon"))->isEnabled();
    }
    void toolbar(int index, Qt::MouseButton mouse = Qt::LeftButton)
    {
        QLabel* caption = window().findChild<QLabel*>(StudyFixture::toolbarName(index) +
                                                      QStringLiteral("Caption"));
        QTest::mouseClick(caption, mouse, {}, caption->rect().center());
    }

private:
    StudyFixture& m_fixture;
};

// The source frames [first, stop) of the player's media, as the player sends them out.
std::vector<qint16> sourceFrames(MediaPlayer& player, qint64 first, qint64 stop)
{
    return player.heardFrames(first, stop);
}

} // namespace

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
        Driver d(fixture);
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
        Driver d(fixture);
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
        Driver d(fixture);
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
        Driver d(fixture);
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
        Driver d(fixture);
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

    void aReadingSkipsWhatItCannotPlayAndEnds()
    {
        QTemporaryDir dir;
        StudyFixture fixture(makeSyntheticLesson(dir.path(), awkwardSentences, 4.0));
        Driver d(fixture);
        fixture.openLesson(1, 1);
        QList<int> read;
        QObject::connect(&d.window().player(), &MediaPlayer::followOnStarted, &d.window(),
                         [&] { read.append(d.window().currentSentence()); });
        d.toolbar(1);
        QCOMPARE(d.window().currentSentence(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!d.window().continuousReading(), 10000);
        QCOMPARE(read, (QList<int>{1, 6, 7}));
        QCOMPARE(d.window().currentSentence(), -1);
        QVERIFY(d.readEnabled());
        QVERIFY(!d.stopEnabled());

        // A recording that cannot be decoded: "朗读" says so and the window stays idle.
        QFile garbage(QDir(dir.filePath(QStringLiteral("voices"))).filePath(u"QVN101.dat"_s));
        QVERIFY(garbage.open(QIODevice::WriteOnly | QIODevice::Truncate));
        garbage.write(QByteArray(4096, 'x'));
        garbage.close();
        QStringList notices;
        d.window().prompts().notify = [&](const QString& text) { notices.append(text); };
        fixture.openLesson(1, 1);
        d.toolbar(1);
        QVERIFY(!d.window().continuousReading());
        QCOMPARE(d.window().currentSentence(), -1);
        QVERIFY(!d.stopEnabled());
        QCOMPARE(notices.size(), 1);
    }

    void leavingTheLessonStopsPlaybackAndReading()
    {
        QTemporaryDir dir;
        StudyFixture fixture(makeSyntheticLesson(dir.path(), syntheticSentences, 4.0));
        Driver d(fixture);
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
        Driver d(fixture);
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
        Driver d(fixture);
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
        Driver d(fixture);
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
        Driver d(fixture);
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

    void readingTheLessonPausesOneSecondBetweenSentences()
    {
        QTemporaryDir dir;
        StudyFixture fixture(makeSyntheticLesson(dir.path(), syntheticSentences, 4.0));
        Driver d(fixture);
        fixture.openLesson(1, 1);
        MediaPlayer& player = d.window().player();
        QVERIFY(d.readEnabled());
        QVERIFY(!d.stopEnabled());

        MonitorCapture capture;
        QVERIFY2(capture.start(), qPrintable(capture.errorString()));
        QTest::qWait(300);
        d.toolbar(1);
        QVERIFY(d.window().continuousReading());
        QVERIFY(!d.readEnabled());
        QVERIFY(d.stopEnabled());
        QCOMPARE(d.window().currentSentence(), 0);
        QCOMPARE(d.redRange(), d.sentenceRange(0));

        // While reading, clicks on sentences and the sentence buttons do nothing.
        d.clickSentence(2);
        d.press(1);
        d.press(2);
        QCOMPARE(d.window().currentSentence(), 0);

        QTRY_VERIFY_WITH_TIMEOUT(d.window().currentSentence() == 1, 3000);
        QCOMPARE(d.redRange(), d.sentenceRange(1));
        QCOMPARE(d.currentSentenceText(), d.window().sentences().sentence(1));
        QTRY_VERIFY_WITH_TIMEOUT(!d.window().continuousReading(), 10000);
        const std::vector<qint16> heard = capture.stop();

        QCOMPARE(d.window().currentSentence(), -1);
        QVERIFY(d.readEnabled());
        QVERIFY(!d.stopEnabled());
        QCOMPARE(d.currentSentenceText(), QString());
        QCOMPARE(d.label(QStringLiteral("translationLine")), QString());
        QCOMPARE(d.redRange(), std::make_pair(-1, -1));

        const int rate = player.sampleRate();
        const QList<std::pair<double, double>> spans{
            {0.5, 1.0}, {1.5, 2.0}, {2.5, 3.0}, {3.5, 4.0}};
        qint64 previousEnd = -1;
        for (const auto& [start, end] : spans) {
            const qint64 first = MediaPlayer::startFrame(start, rate);
            const qint64 stop = qMin(MediaPlayer::stopFrame(end, rate), player.frameCount());
            const qint64 at = TestAudio::findFrames(heard, sourceFrames(player, first, stop));
            QVERIFY2(at >= 0, qPrintable(QStringLiteral("sentence at %1 s not heard").arg(start)));
            if (previousEnd >= 0) {
                const double gap = double(at - previousEnd) / rate;
                qInfo("pause before the sentence at %.1f s: %.4f s", start, gap);
                QVERIFY2(qAbs(gap - 1.0) <= 0.020, qPrintable(QString::number(gap)));
            }
            previousEnd = at + (stop - first);
        }
    }

    void stoppingDuringThePauseEndsTheReading()
    {
        QTemporaryDir dir;
        StudyFixture fixture(makeSyntheticLesson(dir.path(), syntheticSentences, 4.0));
        Driver d(fixture);
        fixture.openLesson(1, 1);
        d.toolbar(1);
        QTRY_VERIFY_WITH_TIMEOUT(d.window().isPausingBetweenSentences(), 3000);
        d.toolbar(2, Qt::RightButton);
        QVERIFY(!d.window().continuousReading());
        QCOMPARE(d.window().currentSentence(), -1);
        // Said, not silently emptied.
        QVERIFY(d.window().currentSentenceBox()->placeholderText().contains(
            QStringLiteral("朗读已停止")));
        QTest::qWait(1300);
        QCOMPARE(d.window().player().playState(), MediaPlayer::Stopped);
        QCOMPARE(d.window().currentSentence(), -1);
        QVERIFY(d.readEnabled());
        // A disabled "停止" does nothing.
        d.toolbar(2);
        QVERIFY(d.readEnabled());
    }

    void aReadingWhosePlayerIsTakenOverEnds()
    {
        QTemporaryDir dir;
        StudyFixture fixture(makeSyntheticLesson(dir.path(), syntheticSentences, 4.0));
        Driver d(fixture);
        fixture.openLesson(1, 1);
        d.toolbar(1);
        QTRY_VERIFY_WITH_TIMEOUT(d.window().isPausingBetweenSentences(), 3000);
        // Another window plays and stops through the same player.
        d.window().player().controls().stop();
        QVERIFY(!d.window().continuousReading());
        QCOMPARE(d.window().currentSentence(), -1);
        QVERIFY(d.readEnabled());
        QVERIFY(!d.stopEnabled());
        QTest::qWait(1200);
        QCOMPARE(d.window().player().playState(), MediaPlayer::Stopped);
    }

    void aOneSentenceLessonIsReadOnceToItsEnd()
    {
        StudyFixture fixture;
        Driver d(fixture);
        fixture.openLesson(3, 60);
        QCOMPARE(d.window().sentences().count(), 1);
        d.toolbar(1);
        QCOMPARE(d.window().currentSentence(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!d.window().continuousReading(), 30000);
        QCOMPARE(d.window().currentSentence(), -1);
        QCOMPARE(d.window().player().playState(), MediaPlayer::Stopped);
        QVERIFY(d.readEnabled());
        QVERIFY(!d.stopEnabled());
    }
};

ORLUNE_TEST_MAIN(TestStudyWindowSentences)

#include "tst_studywindow_sentences.moc"

#include <QApplication>
