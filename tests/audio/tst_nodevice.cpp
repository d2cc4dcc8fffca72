#include "audio/mediaplayer.h"
#include "audio/voicerecorder.h"
#include "testmain.h"
#include "testsignals.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <sndfile.h>

// A machine without any sound device: the player and the recorder must fail quietly and fast.
class TestNoDevice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void playerReportsMissingOutput();
    void recorderReportsMissingInput();
};

void TestNoDevice::initTestCase()
{
#ifdef Q_OS_LINUX
    // Before Qt Multimedia first connects: a server address where none listens.
    qputenv("PULSE_SERVER", "unix:/nonexistent/orlune-no-sound-server");
#else
    QSKIP("simulating a machine without sound devices needs PulseAudio");
#endif
}

void TestNoDevice::playerReportsMissingOutput()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("lesson.wav"));
    QVERIFY(TestSignals::writeFile(file, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1,
                                   TestSignals::noise(44100, 1, 9)));
    MediaPlayer player;
    player.setUrl(file);
    QVERIFY(player.hasMedia());
    QSignalSpy ends(&player, &MediaPlayer::endReached);
    QSignalSpy failures(&player, &MediaPlayer::outputFailed);

    QElapsedTimer clock;
    clock.start();
    player.setEndPosition(0.5);
    player.controls().setCurrentPosition(0.25);
    player.controls().play();
    player.setFollowOn(1.0, 1.0, 1.5);
    QVERIFY(clock.elapsed() < 2000);
    QCOMPARE(player.playState(), MediaPlayer::Stopped);
    QCOMPARE(player.controls().currentPosition(), 0.25);
    // Reported once play() has returned, so the caller has finished its own steps first.
    QCOMPARE(failures.count(), 0);
    QTRY_COMPARE(failures.count(), 1);
    QVERIFY(!player.hasFollowOn());
    // Every failed play is reported, not only the first.
    player.controls().play();
    QTRY_COMPARE(failures.count(), 2);
    QTest::qWait(200);
    QCOMPARE(ends.count(), 0);
    QCOMPARE(failures.count(), 2);
    QCOMPARE(player.playState(), MediaPlayer::Stopped);
    // Nothing to play needs no output: the end comes as it would with one.
    player.controls().setCurrentPosition(0.75);
    player.controls().play();
    QTRY_COMPARE(ends.count(), 1);
    QTest::qWait(100);
    QCOMPARE(failures.count(), 2);
    player.controls().stop();
    player.close();
    QCOMPARE(player.playState(), MediaPlayer::Undefined);
}

void TestNoDevice::recorderReportsMissingInput()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("mcesound.wav"));
    VoiceRecorder recorder;
    QVERIFY(!recorder.start(target));
    QCOMPARE(recorder.error(), VoiceRecorder::Error::NoInputDevice);
    QVERIFY(!recorder.isRecording());
    QVERIFY(!recorder.stop());
    QVERIFY(!QFileInfo::exists(target));
}

ORLUNE_GUILESS_TEST_MAIN(TestNoDevice)

#include "tst_nodevice.moc"
