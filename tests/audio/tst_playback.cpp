#include "audio/mediaplayer.h"
#include "monitorcapture.h"
#include "testaudio.h"
#include "testmain.h"
#include "testsignals.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <sndfile.h>

// Plays through the PulseAudio null sink and compares what its monitor heard, frame by frame,
// with the decoded media. The sink runs at 44100 Hz stereo, the rate of the test files, so
// nothing is resampled on the way.
class TestPlayback : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void playsExactStretch_data();
    void playsExactStretch();
    void laterEndExtendsPlayback();
    void laterEndAfterLastFrameWasSent_data();
    void laterEndAfterLastFrameWasSent();
    void passedEndStopsAtOnce();
    void earlierEndAheadStopsThere();
    void playsToEndOfMedia();
    void stopSilencesAtOnce();
    void newPositionWhilePlayingGoesOnFromThere();
    void nothingToPlayEndsAtOnce_data();
    void nothingToPlayEndsAtOnce();
    void sentenceAfterSentenceFromEndHandler();
    void positionFollowsTheSound();
    void followOnPausesExactly();
    void playsAStretchOfASampleLesson();
    void stopDuringTheFollowOnPause();

private:
    static constexpr int rate = 44100;

    void openMedia(MediaPlayer& player, const QString& file);
    // The frames [first, stop) as the output receives them at the player's volume.
    static std::vector<qint16> frames(const MediaPlayer& player, qint64 first, qint64 stop);
    // `capture` holds exactly the frames [first, stop) of the media, with silence around them
    // and no other sound.
    static void verifyOnlyStretch(std::span<const qint16> capture, const MediaPlayer& player,
                                  qint64 first, qint64 stop);

    QTemporaryDir m_dir;
    QString m_wav;
    QString m_mp3;
};

void TestPlayback::initTestCase()
{
    if (!TestAudio::pulseAvailable())
        QSKIP("No PulseAudio server answers: start one with eval \"$(tools/start-pulse.sh)\"");
    QVERIFY(m_dir.isValid());
    m_wav = m_dir.filePath(QStringLiteral("lesson.wav"));
    m_mp3 = m_dir.filePath(QStringLiteral("lesson.mp3"));
    const auto stereo = TestSignals::noise(10 * rate, 2, 7);
    QVERIFY(TestSignals::writeFile(m_wav, SF_FORMAT_WAV | SF_FORMAT_PCM_16, rate, 2, stereo));
    const auto mono = TestSignals::noise(8 * rate, 1, 8);
    QVERIFY(
        TestSignals::writeFile(m_mp3, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, rate, 1, mono));
}

void TestPlayback::openMedia(MediaPlayer& player, const QString& file)
{
    player.setUrl(file);
    QVERIFY(player.hasMedia());
    QCOMPARE(player.sampleRate(), rate);
    QCOMPARE(player.playState(), MediaPlayer::Stopped);
}

std::vector<qint16> TestPlayback::frames(const MediaPlayer& player, qint64 first, qint64 stop)
{
    return player.heardFrames(first, stop);
}

void TestPlayback::verifyOnlyStretch(std::span<const qint16> capture, const MediaPlayer& player,
                                     qint64 first, qint64 stop)
{
    const auto expected = frames(player, first, stop);
    const qint64 at = TestAudio::findFrames(capture, expected);
    if (at <= 0) {
        // Say what went wrong: where the two halves are, and how much sound there was at all.
        const qint64 half = (stop - first) / 2;
        qWarning() << "first half at"
                   << TestAudio::findFrames(capture, frames(player, first, first + half))
                   << "second half at"
                   << TestAudio::findFrames(capture, frames(player, first + half, stop))
                   << "sound frames" << TestAudio::countNonSilentFrames(capture) << "expected"
                   << TestAudio::countNonSilentFrames(expected) << "first sound at"
                   << TestAudio::firstNonSilentFrame(capture);
    }
    QVERIFY2(at > 0, "the stretch is not in the capture in one piece");
    const qint64 end = at + (stop - first);
    QVERIFY(end < qint64(capture.size() / 2));
    QVERIFY2(TestAudio::countNonSilentFrames(capture.subspan(size_t(at - 1) * 2, 2)) == 0,
             "sound right before the first frame");
    QVERIFY2(TestAudio::countNonSilentFrames(capture.subspan(size_t(end) * 2, 2)) == 0,
             "sound right after the last frame");
    QCOMPARE(TestAudio::countNonSilentFrames(capture), TestAudio::countNonSilentFrames(expected));
}

void TestPlayback::playsExactStretch_data()
{
    QTest::addColumn<bool>("mp3");
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("end");
    QTest::addColumn<int>("volume");
    QTest::newRow("wav from the beginning") << false << 0.0 << 2.0 << 100;
    QTest::newRow("wav, fractional times") << false << 1.23456 << 3.23456 << 100;
    QTest::newRow("wav, times as the lessons store them") << false << 7.3 << 9.3 << 100;
    QTest::newRow("mp3") << true << 2.5 << 4.5 << 100;
    QTest::newRow("wav at the lessons' volume") << false << 1.0 << 3.0 << 50;
}

void TestPlayback::playsExactStretch()
{
    QFETCH(bool, mp3);
    QFETCH(double, start);
    QFETCH(double, end);
    QFETCH(int, volume);
    MediaPlayer player;
    openMedia(player, mp3 ? m_mp3 : m_wav);
    player.setVolume(volume);
    QSignalSpy ends(&player, &MediaPlayer::endReached);
    QSignalSpy states(&player, &MediaPlayer::playStateChanged);
    MonitorCapture capture;
    QVERIFY2(capture.start(), qPrintable(capture.errorString()));

    player.setEndPosition(end);
    player.controls().setCurrentPosition(start);
    player.controls().play();
    QCOMPARE(player.playState(), MediaPlayer::Playing);
    QVERIFY(ends.wait(5000));
    QCOMPARE(player.playState(), MediaPlayer::Stopped);
    const qint64 first = std::llround(start * rate);
    const qint64 stop = qint64(std::floor(end * rate)) + 1;
    QCOMPARE(player.controls().currentPosition(), double(stop) / rate);
    QVERIFY(player.controls().currentPosition() > end);

    const std::vector<qint16> captured = capture.stop();
    const std::span<const qint16> heard(captured);
    QCOMPARE(ends.count(), 1);
    QCOMPARE(states.count(), 2);
    verifyOnlyStretch(captured, player, first, stop);
}

void TestPlayback::laterEndExtendsPlayback()
{
    MediaPlayer player;
    openMedia(player, m_wav);
    QSignalSpy ends(&player, &MediaPlayer::endReached);
    MonitorCapture capture;
    QVERIFY2(capture.start(), qPrintable(capture.errorString()));

    player.setEndPosition(2.0);
    player.controls().setCurrentPosition(1.0);
    player.controls().play();
    QTest::qWait(500);
    player.setEndPosition(2.75);
    QCOMPARE(player.playState(), MediaPlayer::Playing);
    QVERIFY(ends.wait(5000));
    const std::vector<qint16> captured = capture.stop();
    const std::span<const qint16> heard(captured);
    QCOMPARE(ends.count(), 1);
    verifyOnlyStretch(captured, player, rate, MediaPlayer::stopFrame(2.75, rate));
}

// The source has turned to silence at the old end, but the end moves on: the media goes on from
// the old end, after at most the silence already queued, or after next to none once the last
// frame has been heard.
void TestPlayback::laterEndAfterLastFrameWasSent_data()
{
    QTest::addColumn<double>("heardBeforeMove");
    QTest::addColumn<double>("maxGapSeconds");
    QTest::newRow("last frames still playing") << 1.47 << 0.35;
    QTest::newRow("last frame heard") << 1.5 << 0.06;
}

void TestPlayback::laterEndAfterLastFrameWasSent()
{
    QFETCH(double, heardBeforeMove);
    QFETCH(double, maxGapSeconds);
    MediaPlayer player;
    openMedia(player, m_wav);
    QSignalSpy ends(&player, &MediaPlayer::endReached);
    MonitorCapture capture;
    QVERIFY2(capture.start(), qPrintable(capture.errorString()));

    player.setEndPosition(1.5);
    player.controls().setCurrentPosition(1.0);
    player.controls().play();
    // Between the last frame heard and the end report lie only some 40 ms: watch closely.
    QElapsedTimer clock;
    clock.start();
    while (player.controls().currentPosition() <= heardBeforeMove && ends.isEmpty() &&
           clock.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    QCOMPARE(ends.count(), 0);
    player.setEndPosition(2.0);
    QCOMPARE(player.playState(), MediaPlayer::Playing);
    QVERIFY(ends.wait(5000));
    const std::vector<qint16> captured = capture.stop();
    QCOMPARE(ends.count(), 1);

    const qint64 oldStop = MediaPlayer::stopFrame(1.5, rate);
    const qint64 newStop = MediaPlayer::stopFrame(2.0, rate);
    const qint64 first = TestAudio::findFrames(captured, frames(player, rate, oldStop));
    const qint64 second = TestAudio::findFrames(captured, frames(player, oldStop, newStop));
    QVERIFY(first > 0);
    const qint64 gap = second - first - (oldStop - rate);
    QVERIFY(second > 0 && gap >= 0);
    QVERIFY2(gap < qint64(maxGapSeconds * rate), qPrintable(QString::number(gap)));
    QCOMPARE(TestAudio::countNonSilentFrames(captured), newStop - rate);
}

void TestPlayback::passedEndStopsAtOnce()
{
    MediaPlayer player;
    openMedia(player, m_wav);
    QSignalSpy ends(&player, &MediaPlayer::endReached);
    MonitorCapture capture;
    QVERIFY2(capture.start(), qPrintable(capture.errorString()));

    player.controls().setCurrentPosition(3.0);
    player.controls().play();
    QTest::qWait(600);
    const double reached = player.controls().currentPosition();
    QVERIFY(reached > 3.3);
    player.setEndPosition(3.2);
    QCOMPARE(player.playState(), MediaPlayer::Stopped);
    QCOMPARE(ends.count(), 1);
    QVERIFY(player.controls().currentPosition() >= reached);
    const std::vector<qint16> captured = capture.stop();
    const std::span<const qint16> heard(captured);
    QCOMPARE(ends.count(), 1);

    // What did play is the media from the start frame on, and it ended soon after the stop.
    const qint64 played = TestAudio::countNonSilentFrames(captured);
    QVERIFY(TestAudio::findFrames(captured, frames(player, 3 * rate, 3 * rate + played)) > 0);
    QVERIFY2(played < qint64((reached - 3.0 + 0.25) * rate), "sound went on after the stop");
}

// A new end not heard yet, but before frames already sent to the output: playback starts over
// from the frame being heard (repeating the few milliseconds the estimate is behind) and ends
// exactly there.
void TestPlayback::earlierEndAheadStopsThere()
{
    MediaPlayer player;
    openMedia(player, m_wav);
    QSignalSpy ends(&player, &MediaPlayer::endReached);
    MonitorCapture capture;
    QVERIFY2(capture.start(), qPrintable(capture.errorString()));

    player.controls().setCurrentPosition(4.0);
    player.controls().play();
    QVERIFY(QTest::qWaitFor([&] { return player.controls().currentPosition() > 4.5; }, 3000));
    const double end = player.controls().currentPosition() + 0.05;
    player.setEndPosition(end);
    QCOMPARE(ends.count(), 0);
    QCOMPARE(player.playState(), MediaPlayer::Playing);
    QVERIFY(ends.wait(3000));
    const std::vector<qint16> captured = capture.stop();
    const std::span<const qint16> heard(captured);
    QCOMPARE(ends.count(), 1);

    const qint64 stop = MediaPlayer::stopFrame(end, rate);
    QCOMPARE(player.controls().currentPosition(), double(stop) / rate);
    const qint64 last = TestAudio::lastNonSilentFrame(heard);
    const qint64 tail = rate / 25;
    QVERIFY(last > tail);
    QVERIFY(std::ranges::equal(heard.subspan(size_t(last + 1 - tail) * 2, size_t(tail) * 2),
                               frames(player, stop - tail, stop)));
}

void TestPlayback::playsToEndOfMedia()
{
    MediaPlayer player;
    openMedia(player, m_mp3);
    QSignalSpy ends(&player, &MediaPlayer::endReached);
    MonitorCapture capture;
    QVERIFY2(capture.start(), qPrintable(capture.errorString()));

    const double start = 7.0;
    player.controls().setCurrentPosition(start);
    player.controls().play();
    QVERIFY(ends.wait(5000));
    QCOMPARE(player.playState(), MediaPlayer::Stopped);
    QCOMPARE(player.controls().currentPosition(), double(player.frameCount()) / rate);
    const std::vector<qint16> captured = capture.stop();
    const std::span<const qint16> heard(captured);
    QCOMPARE(ends.count(), 1);
    verifyOnlyStretch(captured, player, 7 * rate, player.frameCount());
}

void TestPlayback::stopSilencesAtOnce()
{
    MediaPlayer player;
    openMedia(player, m_wav);
    QSignalSpy ends(&player, &MediaPlayer::endReached);
    MonitorCapture capture;
    QVERIFY2(capture.start(), qPrintable(capture.errorString()));

    player.controls().play();
    QTest::qWait(400);
    player.controls().stop();
    QCOMPARE(player.playState(), MediaPlayer::Stopped);
    const double stoppedAt = player.controls().currentPosition();
    QVERIFY(stoppedAt > 0.2 && stoppedAt < 0.6);
    const std::vector<qint16> captured = capture.stop();
    const std::span<const qint16> heard(captured);
    QCOMPARE(ends.count(), 0);
    const qint64 played = TestAudio::countNonSilentFrames(captured);
    QVERIFY(TestAudio::findFrames(captured, frames(player, 0, played)) > 0);
    QVERIFY2(played < qint64((stoppedAt + 0.1) * rate), "sound went on after stop()");

    // The next play starts where the stop left off.
    QCOMPARE(player.controls().currentPosition(), stoppedAt);
}

void TestPlayback::newPositionWhilePlayingGoesOnFromThere()
{
    MediaPlayer player;
    openMedia(player, m_wav);
    QSignalSpy ends(&player, &MediaPlayer::endReached);
    MonitorCapture capture;
    QVERIFY2(capture.start(), qPrintable(capture.errorString()));

    player.setEndPosition(6.5);
    player.controls().setCurrentPosition(1.0);
    player.controls().play();
    QTest::qWait(400);
    player.controls().setCurrentPosition(5.0);
    QCOMPARE(player.playState(), MediaPlayer::Playing);
    QVERIFY(player.controls().currentPosition() < 5.1);
    QVERIFY(ends.wait(5000));
    const std::vector<qint16> captured = capture.stop();
    const std::span<const qint16> heard(captured);
    QCOMPARE(ends.count(), 1);

    const qint64 stop = MediaPlayer::stopFrame(6.5, rate);
    const qint64 at = TestAudio::findFrames(captured, frames(player, 5 * rate, stop));
    QVERIFY(at > 0);
    QCOMPARE(TestAudio::countNonSilentFrames(heard.subspan(size_t(at + stop - 5 * rate) * 2)), 0);
    const qint64 before = TestAudio::countNonSilentFrames(heard.subspan(0, size_t(at) * 2));
    QVERIFY(TestAudio::findFrames(captured, frames(player, rate, rate + before)) >= 0);
}

// Sentence times past the recording or out of order leave nothing to play. The player must
// still report the end at once, for a single stretch and for a follow-on, or a reading waits
// for it forever. The media is 10 s long; a negative follow-on end is the media's end.
void TestPlayback::nothingToPlayEndsAtOnce_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("end");
    QTest::addColumn<bool>("followOn");
    QTest::addColumn<double>("nextStart");
    QTest::addColumn<double>("nextEnd");
    QTest::newRow("end before start") << 2.0 << 1.0 << false << 0.0 << 0.0;
    QTest::newRow("end at zero") << 2.0 << 0.0 << false << 0.0 << 0.0;
    QTest::newRow("start at the media's end") << 10.0 << -1.0 << false << 0.0 << 0.0;
    QTest::newRow("start past the media") << 25.0 << -1.0 << false << 0.0 << 0.0;
    QTest::newRow("start and end past the media") << 25.0 << 30.0 << false << 0.0 << 0.0;
    QTest::newRow("next starts past the media") << 0.1 << 0.3 << true << 25.0 << -1.0;
    QTest::newRow("next starts at the media's end") << 0.1 << 0.3 << true << 10.0 << 12.0;
    QTest::newRow("next ends before it starts") << 0.1 << 0.3 << true << 2.0 << 1.0;
    QTest::newRow("next ends at zero") << 0.1 << 0.3 << true << 2.0 << 0.0;
}

void TestPlayback::nothingToPlayEndsAtOnce()
{
    QFETCH(double, start);
    QFETCH(double, end);
    QFETCH(bool, followOn);
    QFETCH(double, nextStart);
    QFETCH(double, nextEnd);
    MediaPlayer player;
    openMedia(player, m_wav);
    QSignalSpy ends(&player, &MediaPlayer::endReached);
    QSignalSpy followed(&player, &MediaPlayer::followOnStarted);
    QSignalSpy failures(&player, &MediaPlayer::outputFailed);
    player.setEndPosition(end);
    player.controls().setCurrentPosition(start);
    player.controls().play();
    QCOMPARE(player.playState(), MediaPlayer::Playing);
    if (followOn)
        player.setFollowOn(0.2, nextStart, nextEnd);
    QCOMPARE(ends.count(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 1, 3000);
    QCOMPARE(player.playState(), MediaPlayer::Stopped);
    QVERIFY(!player.hasFollowOn());
    if (!followOn)
        QCOMPARE(player.controls().currentPosition(), std::min(start, 10.0));
    QTest::qWait(500);
    QCOMPARE(ends.count(), 1);
    QCOMPARE(followed.count(), 0);
    QCOMPARE(failures.count(), 0);
    QCOMPARE(player.playState(), MediaPlayer::Stopped);
}

// A lesson reading plays the next sentence from the end handler, on the same player: every
// restart must get a working output (Qt 6.4 shrank the buffer on each one until it fell silent).
void TestPlayback::sentenceAfterSentenceFromEndHandler()
{
    MediaPlayer player;
    openMedia(player, m_wav);
    constexpr int sentences = 8;
    const auto startOf = [](int i) { return 0.4 + 1.1 * i; };
    const auto endOf = [&](int i) { return startOf(i) + 0.25 + 0.05 * i; };
    int current = 0;
    const auto playCurrent = [&] {
        player.setEndPosition(endOf(current));
        player.controls().setCurrentPosition(startOf(current));
        player.controls().play();
    };
    QSignalSpy ends(&player, &MediaPlayer::endReached);
    connect(&player, &MediaPlayer::endReached, this, [&] {
        QCOMPARE(player.playState(), MediaPlayer::Stopped);
        if (++current < sentences)
            playCurrent();
    });
    MonitorCapture capture;
    QVERIFY2(capture.start(), qPrintable(capture.errorString()));

    playCurrent();
    QVERIFY(QTest::qWaitFor([&] { return ends.count() == sentences; }, 10000));
    const std::vector<qint16> captured = capture.stop();
    QCOMPARE(ends.count(), sentences);
    QCOMPARE(player.playState(), MediaPlayer::Stopped);

    qint64 total = 0;
    qint64 previous = 0;
    for (int i = 0; i < sentences; ++i) {
        const qint64 first = MediaPlayer::startFrame(startOf(i), rate);
        const qint64 stop = MediaPlayer::stopFrame(endOf(i), rate);
        const qint64 at = TestAudio::findFrames(captured, frames(player, first, stop));
        QVERIFY2(at > previous, qPrintable(QStringLiteral("sentence %1").arg(i)));
        previous = at + stop - first;
        total += stop - first;
    }
    QCOMPARE(TestAudio::countNonSilentFrames(captured), total);
}

void TestPlayback::positionFollowsTheSound()
{
    MediaPlayer player;
    openMedia(player, m_wav);
    QSignalSpy ends(&player, &MediaPlayer::endReached);
    player.setEndPosition(3.0);
    player.controls().setCurrentPosition(1.0);
    QElapsedTimer clock;
    clock.start();
    player.controls().play();
    double last = 1.0;
    while (ends.isEmpty() && clock.elapsed() < 4000) {
        const double position = player.controls().currentPosition();
        QVERIFY(position >= last);
        QVERIFY(position <= double(MediaPlayer::stopFrame(3.0, rate)) / rate);
        // Sound is heard a little after it is sent; the position never runs ahead of the clock.
        QVERIFY2(position - 1.0 <= clock.elapsed() / 1000.0 + 0.005, "position ahead of time");
        QVERIFY2(position - 1.0 >= clock.elapsed() / 1000.0 - 0.25, "position lags far behind");
        last = position;
        QTest::qWait(25);
    }
    QCOMPARE(ends.count(), 1);
}

void TestPlayback::followOnPausesExactly()
{
    MediaPlayer player;
    openMedia(player, m_wav);
    QSignalSpy ends(&player, &MediaPlayer::endReached);
    QSignalSpy followed(&player, &MediaPlayer::followOnStarted);
    MonitorCapture capture;
    QVERIFY2(capture.start(), qPrintable(capture.errorString()));

    player.setEndPosition(1.0);
    player.controls().setCurrentPosition(0.5);
    player.controls().play();
    player.setFollowOn(0.75, 2.0, 2.25);
    QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 1, 3000);
    // The output goes on through the pause: the state still reads playing.
    QCOMPARE(player.playState(), MediaPlayer::Playing);
    QCOMPARE(followed.count(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(followed.count(), 1, 3000);
    QCOMPARE(player.endPosition(), 2.25);
    QVERIFY(!player.hasFollowOn());
    QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 2, 3000);
    QCOMPARE(player.playState(), MediaPlayer::Stopped);
    const std::vector<qint16> heard = capture.stop();

    const qint64 firstStart = MediaPlayer::startFrame(0.5, rate);
    const qint64 firstStop = MediaPlayer::stopFrame(1.0, rate);
    const qint64 secondStart = MediaPlayer::startFrame(2.0, rate);
    const qint64 secondStop = MediaPlayer::stopFrame(2.25, rate);
    const qint64 a = TestAudio::findFrames(heard, frames(player, firstStart, firstStop));
    const qint64 b = TestAudio::findFrames(heard, frames(player, secondStart, secondStop));
    QVERIFY(a >= 0 && b >= 0);
    QCOMPARE(b - (a + firstStop - firstStart), qint64(0.75 * rate));
    QCOMPARE(TestAudio::countNonSilentFrames(heard),
             (firstStop - firstStart) + (secondStop - secondStart));
}

void TestPlayback::stopDuringTheFollowOnPause()
{
    MediaPlayer player;
    openMedia(player, m_wav);
    QSignalSpy ends(&player, &MediaPlayer::endReached);
    QSignalSpy followed(&player, &MediaPlayer::followOnStarted);
    player.setEndPosition(0.3);
    player.controls().setCurrentPosition(0.1);
    player.controls().play();
    player.setFollowOn(0.5, 1.0, 1.5);
    QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 1, 3000);
    player.controls().stop();
    QCOMPARE(player.playState(), MediaPlayer::Stopped);
    QVERIFY(!player.hasFollowOn());
    QTest::qWait(900);
    QCOMPARE(followed.count(), 0);
    QCOMPARE(player.playState(), MediaPlayer::Stopped);
}

void TestPlayback::playsAStretchOfASampleLesson()
{
    // A real lesson recording from the build's voice library: an MP3 of synthesised speech.
    const QString lesson =
        QCoreApplication::applicationDirPath() + QStringLiteral("/语音库/QVN101.dat");
    if (!QFileInfo::exists(lesson))
        QSKIP("the sample course's recordings are not built");
    MediaPlayer player;
    openMedia(player, lesson);
    QSignalSpy ends(&player, &MediaPlayer::endReached);
    MonitorCapture capture;
    QVERIFY2(capture.start(), qPrintable(capture.errorString()));
    player.setEndPosition(4.5);
    player.controls().setCurrentPosition(2.5);
    player.controls().play();
    QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 1, 5000);
    const std::vector<qint16> heard = capture.stop();

    const qint64 first = MediaPlayer::startFrame(2.5, rate);
    const qint64 stop = MediaPlayer::stopFrame(4.5, rate);
    const auto expected = frames(player, first, stop);
    QVERIFY(TestAudio::countNonSilentFrames(expected) > rate / 2);
    const qint64 at = TestAudio::findFrames(heard, expected);
    QVERIFY2(at >= 0, "the two seconds were not heard in one piece");
    // Nothing else was heard: every sounding frame of the capture lies in that stretch.
    QCOMPARE(TestAudio::countNonSilentFrames(heard), TestAudio::countNonSilentFrames(expected));
    QCOMPARE(player.controls().currentPosition(), double(stop) / rate);
}

ORLUNE_GUILESS_TEST_MAIN(TestPlayback)
#include "tst_playback.moc"
