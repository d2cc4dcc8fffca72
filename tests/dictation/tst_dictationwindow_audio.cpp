#include "dictation/dictationwindow.h"
#include "dictationfixture.h"
#include "lessons/lessondatabase.h"
#include "lessons/sentencetable.h"
#include "lessons/timetext.h"
#include "monitorcapture.h"
#include "testaudio.h"
#include "testmain.h"
#include "widgets/facebutton.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

// The dictation window playing book 1 lesson 1 through the PulseAudio null sink, whose monitor
// records what was really heard, frame for frame.
class TestDictationWindowAudio : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!TestAudio::pulseAvailable()) {
            QSKIP("No PulseAudio server answers: start one with eval \"$(tools/start-pulse.sh)\"");
        }
    }
    void init()
    {
        m_fixture = std::make_unique<DictationFixture>();
        QVERIFY(m_fixture->isValid());
    }
    void cleanup() { m_fixture.reset(); }

    void nextThenReplayPlaySentence1Twice()
    {
        openLesson11();
        MediaPlayer& player = m_fixture->player();
        QSignalSpy ends(&player, &MediaPlayer::endReached);
        MonitorCapture capture;
        QVERIFY2(capture.start(), qPrintable(capture.errorString()));

        for (const int button : {1, 2}) {
            m_fixture->clickButton(button);
            QCOMPARE(player.playState(), MediaPlayer::Playing);
            QVERIFY(m_fixture->window().isWatchingPlayback());
            QVERIFY(ends.wait(5000));
            verifyStoppedAtEndOf(1);
        }
        const std::vector<qint16> heard = capture.stop();
        QCOMPARE(m_fixture->window().currentSentence(), 1);

        const auto sentence = sentenceFrames(1);
        const qint64 first = TestAudio::findFrames(heard, sentence);
        QVERIFY2(first > 0, "sentence 1 was not heard whole");
        const size_t after = size_t(first) * 2 + sentence.size();
        const qint64 second = TestAudio::findFrames(std::span(heard).subspan(after), sentence);
        QVERIFY2(second >= 0, "sentence 1 was not heard whole a second time");
        // Nothing else was heard: no other sentence, no sound past either end.
        QCOMPARE(TestAudio::countNonSilentFrames(heard),
                 2 * TestAudio::countNonSilentFrames(sentence));
    }

    void previousDuringPlaybackEndsAtItsOwnEnd()
    {
        openLesson11();
        MediaPlayer& player = m_fixture->player();
        MonitorCapture capture;
        QVERIFY2(capture.start(), qPrintable(capture.errorString()));

        m_fixture->clickButton(1);
        QTest::qWait(300);
        m_fixture->clickButton(1);
        QTest::qWait(300);
        QCOMPARE(player.playState(), MediaPlayer::Playing);
        QCOMPARE(m_fixture->window().currentSentence(), 2);
        // Sentence 2 is well past sentence 1's end: the jump back must not stop there.
        m_fixture->clickButton(6);
        QCOMPARE(m_fixture->window().currentSentence(), 1);
        QCOMPARE(player.playState(), MediaPlayer::Playing);
        QCOMPARE(player.endPosition(),
                 TimeText::seconds(m_fixture->window().sentences().endText(1)));
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), MediaPlayer::Stopped, 5000);
        verifyStoppedAtEndOf(1);
        const std::vector<qint16> heard = capture.stop();

        // The start of sentence 2 was heard, then all of sentence 1 and nothing after it.
        const double start2At = m_fixture->window().sentences().startTime(2);
        const auto start2 = framesBetween(start2At, start2At + 0.2);
        QVERIFY2(TestAudio::findFrames(heard, start2) > 0, "sentence 2 did not start");
        const auto sentence = sentenceFrames(1);
        const qint64 last = TestAudio::findFrames(heard, sentence);
        QVERIFY2(last > 0, "sentence 1 was not heard whole");
        const auto rest = std::span(heard).subspan(size_t(last) * 2 + sentence.size());
        QCOMPARE(TestAudio::countNonSilentFrames(rest), 0);
    }

    void quitDuringPlaybackLeavesTheSentencePlaying()
    {
        openLesson11();
        MediaPlayer& player = m_fixture->player();
        QSignalSpy ends(&player, &MediaPlayer::endReached);
        m_fixture->clickButton(2);
        QSignalSpy closed(&m_fixture->window(), &DictationWindow::closed);
        m_fixture->clickButton(4);
        QCOMPARE(closed.size(), 1);
        QCOMPARE(player.playState(), MediaPlayer::Playing);
        QVERIFY(ends.wait(5000));
        verifyStoppedAtEndOf(0);
    }

    void studyReadingGoesOnWhileTheWindowOpens()
    {
        // A stand-in for the study window reading sentences 0 to 2 aloud, one after another.
        const QString copy = m_fixture->tempPath() + QStringLiteral("QVN101.mp3");
        QVERIFY(QFile::copy(
            QDir(DictationFixture::voiceLibrary()).filePath(QStringLiteral("QVN101.dat")), copy));
        MediaPlayer& player = m_fixture->player();
        player.setUrl(copy);
        const QList<SentenceRow> sentences =
            LessonDatabase(m_fixture->databasePath())
                .sentences(QStringLiteral("1"), QStringLiteral("Lesson 1"))
                .mid(0, 3);
        QCOMPARE(sentences.size(), 3);
        int reading = 0;
        const auto readSentence = [&player, &sentences, &reading] {
            player.setEndPosition(TimeText::seconds(sentences[reading].end));
            player.controls().setCurrentPosition(TimeText::seconds(sentences[reading].start));
            player.controls().play();
        };
        connect(&player, &MediaPlayer::endReached, this, [&] {
            if (++reading < sentences.size()) {
                readSentence();
            }
        });
        readSentence();
        QCOMPARE(player.playState(), MediaPlayer::Playing);

        m_fixture->reopen();
        QCOMPARE(player.playState(), MediaPlayer::Playing);
        QCOMPARE(player.url(), copy);
        QTRY_COMPARE_WITH_TIMEOUT(reading, 3, 10000);
        QVERIFY(!m_fixture->window().isWatchingPlayback());
        QCOMPARE(player.controls().currentPosition(),
                 double(MediaPlayer::stopFrame(TimeText::seconds(sentences[2].end),
                                               player.sampleRate())) /
                     player.sampleRate());
        player.disconnect(this);
    }

    void recordingWithoutSentencesStaysSilent()
    {
        QVERIFY(m_fixture->removeSentences(QStringLiteral("1"), QStringLiteral("Lesson 1")));
        m_fixture->openLesson(1, 1);
        QVERIFY(m_fixture->player().hasMedia());
        for (const int button : {2, 1, 6}) {
            m_fixture->clickButton(button);
            QTest::qWait(50);
            QCOMPARE(m_fixture->player().playState(), MediaPlayer::Stopped);
        }
    }

private:
    void openLesson11()
    {
        m_fixture->openLesson(1, 1);
        QVERIFY(m_fixture->player().hasMedia());
        // The sink runs at this rate, so nothing is resampled between the player and the monitor.
        QCOMPARE(m_fixture->player().sampleRate(), 44100);
    }

    // What the player sends out for [start, end]: the lesson's frames at its volume.
    std::vector<qint16> framesBetween(double start, double end) const
    {
        const MediaPlayer& player = m_fixture->player();
        const qint64 first = MediaPlayer::startFrame(start, player.sampleRate());
        const qint64 stop = MediaPlayer::stopFrame(end, player.sampleRate());
        return player.heardFrames(first, stop);
    }

    std::vector<qint16> sentenceFrames(int sentence) const
    {
        const SentenceTable& lists = m_fixture->window().sentences();
        return framesBetween(lists.startTime(sentence), TimeText::seconds(lists.endText(sentence)));
    }

    void verifyStoppedAtEndOf(int sentence)
    {
        MediaPlayer& player = m_fixture->player();
        const double end = TimeText::seconds(m_fixture->window().sentences().endText(sentence));
        QVERIFY(end > 0);
        QCOMPARE(player.playState(), MediaPlayer::Stopped);
        QCOMPARE(player.controls().currentPosition(),
                 double(MediaPlayer::stopFrame(end, player.sampleRate())) / player.sampleRate());
        QVERIFY(!m_fixture->window().isVisible() || !m_fixture->window().isWatchingPlayback());
    }

    std::unique_ptr<DictationFixture> m_fixture;
};

ORLUNE_TEST_MAIN(TestDictationWindowAudio)

#include "tst_dictationwindow_audio.moc"
