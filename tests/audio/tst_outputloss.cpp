#include "audio/mediaplayer.h"
#include "monitorcapture.h"
#include "privatesoundserver.h"
#include "testaudio.h"
#include "testmain.h"
#include "testsignals.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <sndfile.h>

// The sound server dies while a sentence plays, stays away for ten seconds, then comes back.
// This test runs a server of its own, so killing it disturbs no other test.
class TestOutputLoss : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void lostOutputIsReportedAndReopened();

private:
    PrivateSoundServer m_server;
    QTemporaryDir m_dir;
    QString m_wav;
};

void TestOutputLoss::initTestCase()
{
#ifndef Q_OS_LINUX
    QSKIP("stopping and restarting the sound server needs PulseAudio");
#endif
    if (!m_server.start())
        QSKIP("no PulseAudio of our own could be started (Debian: pulseaudio pulseaudio-utils)");
    m_server.useInThisProcess();
    QVERIFY(m_dir.isValid());
    m_wav = m_dir.filePath(QStringLiteral("lesson.wav"));
    QVERIFY(TestSignals::writeFile(m_wav, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2,
                                   TestSignals::noise(10 * 44100, 2, 11)));
}

void TestOutputLoss::lostOutputIsReportedAndReopened()
{
    MediaPlayer player;
    player.setUrl(m_wav);
    QSignalSpy ends(&player, &MediaPlayer::endReached);
    QSignalSpy failures(&player, &MediaPlayer::outputFailed);
    QSignalSpy restored(&player, &MediaPlayer::outputRestored);
    player.setEndPosition(8.0);
    player.controls().setCurrentPosition(0.0);
    player.controls().play();
    player.setFollowOn(1.0, 9.0, 9.5);
    QCOMPARE(player.playState(), MediaPlayer::Playing);
    QTest::qWait(500);
    QCOMPARE(failures.count(), 0);

    QVERIFY(m_server.stop());
    QTRY_COMPARE_WITH_TIMEOUT(failures.count(), 1, 8000);
    QCOMPARE(player.playState(), MediaPlayer::Stopped);
    QVERIFY(!player.hasFollowOn());
    QCOMPARE(ends.count(), 0);

    // Plays while the server stays away fail at once and say so, each of them.
    QElapsedTimer away;
    away.start();
    while (away.elapsed() < 10000) {
        const qsizetype failed = failures.count();
        player.setEndPosition(0.3);
        player.controls().setCurrentPosition(0.1);
        player.controls().play();
        QTRY_COMPARE_WITH_TIMEOUT(failures.count(), failed + 1, 3000);
        QCOMPARE(player.playState(), MediaPlayer::Stopped);
        QTest::qWait(2000);
    }
    QCOMPARE(ends.count(), 0);
    QCOMPARE(restored.count(), 0);

    // Once it is back, the very next play sounds, to the sample.
    QVERIFY(m_server.start());
    const qsizetype failed = failures.count();
    MonitorCapture capture;
    QVERIFY2(capture.start(), qPrintable(capture.errorString()));
    const qsizetype ended = ends.count();
    player.setEndPosition(1.5);
    player.controls().setCurrentPosition(1.0);
    player.controls().play();
    QTRY_COMPARE_WITH_TIMEOUT(ends.count(), ended + 1, 5000);
    const std::vector<qint16> heard = capture.stop();
    const qint64 first = MediaPlayer::startFrame(1.0, 44100);
    const qint64 stop = MediaPlayer::stopFrame(1.5, 44100);
    QCOMPARE(failures.count(), failed);
    QCOMPARE(restored.count(), 1);
    QVERIFY2(TestAudio::findFrames(heard, player.heardFrames(first, stop)) >= 0,
             "the stretch played after the server came back was not heard");
}

ORLUNE_GUILESS_TEST_MAIN(TestOutputLoss)

#include "tst_outputloss.moc"
