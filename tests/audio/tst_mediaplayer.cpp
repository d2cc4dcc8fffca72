#include "audio/mediaplayer.h"
#include "testmain.h"
#include "testsignals.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <limits>
#include <sndfile.h>

// The player without playing: loading, positions and frame arithmetic need no sound device.
class TestMediaPlayer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void emptyPlayerIgnoresEverything();
    void emptyURLLeavesPlayerEmpty();
    void undecodableFileLeavesPlayerEmpty();
    void loadedFileIsStoppedAtZero();
    void positionIsRoundedToAFrame_data();
    void positionIsRoundedToAFrame();
    void positionStaysInsideTheMedia();
    void stopFrameIsFirstFramePastTheEnd_data();
    void stopFrameIsFirstFramePastTheEnd();
    void endPositionLastsUntilNewMedia();
    void closeReleasesMedia();
    void volumeIsALinearGain_data();
    void volumeIsALinearGain();
    void speedKeepsToTenthsInItsRange_data();
    void speedKeepsToTenthsInItsRange();

private:
    QTemporaryDir m_dir;
    QString m_wav;
};

void TestMediaPlayer::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_wav = m_dir.filePath(QStringLiteral("two seconds.wav"));
    QVERIFY(TestSignals::writeFile(m_wav, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1,
                                   TestSignals::noise(2 * 22050, 1, 5)));
}

void TestMediaPlayer::emptyPlayerIgnoresEverything()
{
    MediaPlayer player;
    QSignalSpy states(&player, &MediaPlayer::playStateChanged);
    QSignalSpy ends(&player, &MediaPlayer::endReached);
    QVERIFY(!player.hasMedia());
    QCOMPARE(player.playState(), MediaPlayer::Undefined);
    player.controls().setCurrentPosition(3.5);
    player.setEndPosition(4.0);
    player.controls().play();
    QCOMPARE(player.playState(), MediaPlayer::Undefined);
    QCOMPARE(player.controls().currentPosition(), 0.0);
    player.controls().stop();
    player.close();
    player.close();
    QTest::qWait(50);
    QCOMPARE(states.count(), 0);
    QCOMPARE(ends.count(), 0);
    QVERIFY(player.samples().empty());
    QCOMPARE(player.frameCount(), 0);
}

void TestMediaPlayer::emptyURLLeavesPlayerEmpty()
{
    MediaPlayer player;
    player.setUrl(m_wav);
    QVERIFY(player.hasMedia());
    player.setUrl(QString());
    QVERIFY(!player.hasMedia());
    QCOMPARE(player.url(), QString());
    QCOMPARE(player.playState(), MediaPlayer::Undefined);
}

void TestMediaPlayer::undecodableFileLeavesPlayerEmpty()
{
    const QString bad = m_dir.filePath(QStringLiteral("QVN1001.dat"));
    QFile file(bad);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(5000, 'x'));
    file.close();

    MediaPlayer player;
    player.setUrl(m_wav);
    player.setUrl(bad);
    QVERIFY(!player.hasMedia());
    QCOMPARE(player.url(), bad);
    // Open but unplayable: a caller waiting for "stopped" to move on must see it.
    player.controls().play();
    QCOMPARE(player.playState(), MediaPlayer::Stopped);
    player.setUrl(m_dir.filePath(QStringLiteral("missing.mp3")));
    QVERIFY(!player.hasMedia());
}

void TestMediaPlayer::loadedFileIsStoppedAtZero()
{
    MediaPlayer player;
    QSignalSpy states(&player, &MediaPlayer::playStateChanged);
    player.setUrl(m_wav);
    QCOMPARE(player.url(), m_wav);
    QCOMPARE(player.playState(), MediaPlayer::Stopped);
    QCOMPARE(states.count(), 1);
    QCOMPARE(player.sampleRate(), 22050);
    QCOMPARE(player.frameCount(), 2 * 22050);
    QCOMPARE(qsizetype(player.samples().size()), 4 * 22050);
    QCOMPARE(player.controls().currentPosition(), 0.0);
    QCOMPARE(player.endPosition(), -1.0);
}

void TestMediaPlayer::positionIsRoundedToAFrame_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<qint64>("frame");
    QTest::newRow("zero") << 0.0 << qint64(0);
    QTest::newRow("half a frame rounds up") << 1.5 / 22050 << qint64(2);
    QTest::newRow("under half rounds down") << 1.4 / 22050 << qint64(1);
    QTest::newRow("lesson time") << 0.5 << qint64(11025);
    QTest::newRow("two decimals") << 1.23 << qint64(27122);
}

void TestMediaPlayer::positionIsRoundedToAFrame()
{
    QFETCH(double, seconds);
    QFETCH(qint64, frame);
    QCOMPARE(MediaPlayer::startFrame(seconds, 22050), frame);
    MediaPlayer player;
    player.setUrl(m_wav);
    player.controls().setCurrentPosition(seconds);
    QCOMPARE(player.controls().currentPosition(), double(frame) / 22050);
}

void TestMediaPlayer::positionStaysInsideTheMedia()
{
    MediaPlayer player;
    player.setUrl(m_wav);
    player.controls().setCurrentPosition(-1.0);
    QCOMPARE(player.controls().currentPosition(), 0.0);
    player.controls().setCurrentPosition(99.0);
    QCOMPARE(player.controls().currentPosition(), 2.0);
    player.controls().setCurrentPosition(std::numeric_limits<double>::quiet_NaN());
    QCOMPARE(player.controls().currentPosition(), 0.0);
    player.controls().setCurrentPosition(std::numeric_limits<double>::infinity());
    QCOMPARE(player.controls().currentPosition(), 2.0);
}

void TestMediaPlayer::stopFrameIsFirstFramePastTheEnd_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<int>("rate");
    QTest::addColumn<qint64>("frame");
    QTest::newRow("zero") << 0.0 << 44100 << qint64(1);
    QTest::newRow("whole second") << 1.0 << 44100 << qint64(44101);
    QTest::newRow("between frames") << 2.43 << 44100 << qint64(107164);
    // 1.15 * 44100 comes out a hair under 50715 in doubles, yet frame 50715 sits exactly at
    // 1.15 and is not past it.
    QTest::newRow("product rounds low") << 1.15 << 44100 << qint64(50716);
    QTest::newRow("other rate") << 0.5 << 22050 << qint64(11026);
    QTest::newRow("negative") << -1.0 << 44100 << qint64(0);
}

void TestMediaPlayer::stopFrameIsFirstFramePastTheEnd()
{
    QFETCH(double, seconds);
    QFETCH(int, rate);
    QFETCH(qint64, frame);
    QCOMPARE(MediaPlayer::stopFrame(seconds, rate), frame);
    if (seconds >= 0) {
        QVERIFY(double(frame) / rate > seconds);
        QVERIFY(double(frame - 1) / rate <= seconds);
    }
}

void TestMediaPlayer::endPositionLastsUntilNewMedia()
{
    MediaPlayer player;
    player.setUrl(m_wav);
    player.setEndPosition(1.25);
    QCOMPARE(player.endPosition(), 1.25);
    player.controls().stop();
    player.controls().setCurrentPosition(0.5);
    QCOMPARE(player.endPosition(), 1.25);
    player.setUrl(m_wav);
    QCOMPARE(player.endPosition(), -1.0);
    player.setEndPosition(-3);
    QCOMPARE(player.endPosition(), -1.0);
}

void TestMediaPlayer::closeReleasesMedia()
{
    MediaPlayer player;
    QSignalSpy states(&player, &MediaPlayer::playStateChanged);
    player.setUrl(m_wav);
    player.controls().setCurrentPosition(1.0);
    player.close();
    QVERIFY(!player.hasMedia());
    QCOMPARE(player.url(), QString());
    QCOMPARE(player.playState(), MediaPlayer::Undefined);
    QCOMPARE(player.controls().currentPosition(), 0.0);
    QCOMPARE(states.count(), 2);
    QCOMPARE(states.at(1).at(0).value<MediaPlayer::PlayState>(), MediaPlayer::Undefined);
}

void TestMediaPlayer::volumeIsALinearGain_data()
{
    QTest::addColumn<int>("volume");
    QTest::addColumn<int>("expectedVolume");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("full: the decoded samples")
        << 100 << 100 << QList<int>{1000, -1001, 32767, -32768, 1, -1, 3, 0};
    QTest::newRow("lessons' 50: half, towards zero")
        << 50 << 50 << QList<int>{500, -500, 16383, -16384, 0, 0, 1, 0};
    QTest::newRow("10") << 10 << 10 << QList<int>{100, -100, 3276, -3276, 0, 0, 0, 0};
    QTest::newRow("0: silence") << 0 << 0 << QList<int>{0, 0, 0, 0, 0, 0, 0, 0};
    QTest::newRow("above the scale")
        << 250 << 100 << QList<int>{1000, -1001, 32767, -32768, 1, -1, 3, 0};
    QTest::newRow("below the scale") << -5 << 0 << QList<int>{0, 0, 0, 0, 0, 0, 0, 0};
}

void TestMediaPlayer::volumeIsALinearGain()
{
    QFETCH(int, volume);
    QFETCH(int, expectedVolume);
    QFETCH(QList<int>, expected);
    const std::vector<qint16> source{1000, -1001, 32767, -32768, 1, -1, 3, 0};
    const QString file = m_dir.filePath(QStringLiteral("levels.wav"));
    QVERIFY(TestSignals::writeFile(file, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 2, source));
    MediaPlayer player;
    player.setUrl(file);
    QCOMPARE(player.volume(), 100);
    player.setVolume(volume);
    QCOMPARE(player.volume(), expectedVolume);
    const std::vector<qint16> heard = player.heardFrames(0, 4);
    QCOMPARE(QList<int>(heard.begin(), heard.end()), expected);
    QVERIFY(std::ranges::equal(player.samples(), source));
    // Frames outside the media are not made up.
    QCOMPARE(player.heardFrames(3, 9).size(), size_t(2));
}

void TestMediaPlayer::speedKeepsToTenthsInItsRange_data()
{
    QTest::addColumn<double>("factor");
    QTest::addColumn<double>("expected");
    QTest::newRow("a step") << 0.7 << 0.7;
    QTest::newRow("between steps") << 1.24 << 1.2;
    QTest::newRow("half way up") << 0.85 << 0.9;
    QTest::newRow("too slow") << 0.2 << 0.5;
    QTest::newRow("too fast") << 4.0 << 1.5;
    QTest::newRow("negative") << -1.0 << 0.5;
    QTest::newRow("not a number") << std::nan("") << 1.0;
}

void TestMediaPlayer::speedKeepsToTenthsInItsRange()
{
    QFETCH(double, factor);
    QFETCH(double, expected);
    MediaPlayer player;
    QCOMPARE(player.speed(), 1.0);
    player.setSpeed(factor);
    QCOMPARE(player.speed(), expected);
    // A new lesson keeps the learner's speed.
    player.setUrl(m_wav);
    QCOMPARE(player.speed(), expected);
}

ORLUNE_GUILESS_TEST_MAIN(TestMediaPlayer)

#include "tst_mediaplayer.moc"
