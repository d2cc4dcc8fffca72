#include "audio/decodedaudio.h"
#include "audio/mediaplayer.h"
#include "audio/voicerecorder.h"
#include "testaudio.h"
#include "testmain.h"
#include "testsignals.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <numbers>
#include <sndfile.h>

// Records from the default source, the test server's "mic": a remap of the null sink's monitor,
// so what the player plays is what the recorder hears.
class TestVoiceRecorder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void recordsWhatIsPlayed();
    void abandonedRecordingKeepsThePreviousOne();
    void unwritablePlaceFailsCleanly();
    void stopWithoutRecordingDoesNothing();

private:
    static constexpr double toneHz = 1000;

    // Power of `frequency` in the left channel of interleaved stereo, per sample.
    static double power(std::span<const qint16> stereo, int rate, double frequency);
    QByteArray record(const QString& target);

    QTemporaryDir m_dir;
    QString m_tone;
};

void TestVoiceRecorder::initTestCase()
{
    if (!TestAudio::pulseAvailable())
        QSKIP("No PulseAudio server answers: start one with eval \"$(tools/start-pulse.sh)\"");
    QVERIFY(m_dir.isValid());
    m_tone = m_dir.filePath(QStringLiteral("tone.wav"));
    QVERIFY(TestSignals::writeFile(m_tone, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2,
                                   TestSignals::tone(44100 * 3 / 2, 2, 44100, toneHz, 8000)));
}

double TestVoiceRecorder::power(std::span<const qint16> stereo, int rate, double frequency)
{
    // Goertzel: the one DFT bin at `frequency`.
    const double coefficient = 2 * std::cos(2 * std::numbers::pi * frequency / rate);
    double previous = 0;
    double beforePrevious = 0;
    const size_t frames = stereo.size() / 2;
    for (size_t f = 0; f < frames; ++f) {
        const double current = stereo[2 * f] + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    const double magnitude = previous * previous + beforePrevious * beforePrevious -
                             coefficient * previous * beforePrevious;
    return magnitude / double(frames) / double(frames);
}

// Records the tone played through the player and returns the file written.
QByteArray TestVoiceRecorder::record(const QString& target)
{
    VoiceRecorder recorder;
    QSignalSpy changes(&recorder, &VoiceRecorder::recordingChanged);
    if (!recorder.start(target)) {
        qWarning() << "start failed:" << recorder.errorString();
        return {};
    }
    MediaPlayer player;
    player.setUrl(m_tone);
    QSignalSpy ends(&player, &MediaPlayer::endReached);
    player.controls().play();
    if (!ends.wait(5000))
        return {};
    QTest::qWait(200);
    if (!recorder.stop()) {
        qWarning() << "stop failed:" << recorder.errorString();
        return {};
    }
    if (changes.count() != 2 || recorder.isRecording())
        return {};
    QFile file(target);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestVoiceRecorder::recordsWhatIsPlayed()
{
    const QString target = m_dir.filePath(QStringLiteral("录音.wav"));
    QVERIFY(!record(target).isEmpty());

    const DecodedAudio recording = DecodedAudio::fromFile(target);
    QVERIFY(!recording.isEmpty());
    const int rate = recording.sampleRate();
    QCOMPARE(rate, 44100);
    // The tone lasts 1.5 s of the ~1.7 s recorded.
    QVERIFY(recording.frameCount() > rate * 3 / 2);
    QVERIFY(recording.frameCount() < rate * 3);
    const qint64 start = TestAudio::firstNonSilentFrame(recording.samples(), 100);
    QVERIFY(start >= 0);
    const auto toneSamples =
        recording.samples().subspan(size_t(start + rate / 10) * 2, size_t(rate));
    const double atTone = power(toneSamples, rate, toneHz);
    // A 1 kHz sine of amplitude 8000 gives (8000 / 2)^2 in its bin.
    QVERIFY2(atTone > 0.8 * 4000 * 4000, qPrintable(QString::number(atTone)));
    for (double other : {250.0, 500.0, 750.0, 1250.0, 1500.0, 2000.0, 3000.0})
        QVERIFY(power(toneSamples, rate, other) < atTone / 1000);
}

void TestVoiceRecorder::abandonedRecordingKeepsThePreviousOne()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("mcesound.wav"));
    const QByteArray first = record(target);
    QVERIFY(!first.isEmpty());
    {
        VoiceRecorder recorder;
        QVERIFY(recorder.start(target));
        QTest::qWait(300);
        QVERIFY(recorder.recordedFrames() > 0);
    }
    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), first);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("mcesound.wav")});

    // A second start abandons the running recording in the same way.
    VoiceRecorder recorder;
    QVERIFY(recorder.start(target));
    QTest::qWait(100);
    QVERIFY(recorder.start(target));
    QTest::qWait(100);
    QVERIFY(recorder.stop());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("mcesound.wav")});

    // A link at the recording's name is replaced, never written through.
    QTemporaryDir elsewhere;
    const QString victim = elsewhere.filePath(QStringLiteral("mine.txt"));
    QFile mine(victim);
    QVERIFY(mine.open(QIODevice::WriteOnly) && mine.write("mine") == 4);
    mine.close();
    QVERIFY(QFile::remove(target) && QFile::link(victim, target));
    QVERIFY(!record(target).isEmpty());
    QVERIFY(!QFileInfo(target).isSymLink());
    QVERIFY(mine.open(QIODevice::ReadOnly));
    QCOMPARE(mine.readAll(), QByteArray("mine"));
}

void TestVoiceRecorder::unwritablePlaceFailsCleanly()
{
    // A folder that is a file cannot be written into, not even by root.
    const QString notAFolder = m_dir.filePath(QStringLiteral("plain-file"));
    QFile file(notAFolder);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    VoiceRecorder recorder;
    QSignalSpy changes(&recorder, &VoiceRecorder::recordingChanged);
    QVERIFY(!recorder.start(notAFolder + QStringLiteral("/mcesound.wav")));
    QCOMPARE(recorder.error(), VoiceRecorder::Error::CannotWrite);
    QVERIFY(!recorder.errorString().isEmpty());
    QVERIFY(!recorder.isRecording());
    QVERIFY(!recorder.stop());
    QCOMPARE(changes.count(), 0);

    QVERIFY(!recorder.start(m_dir.filePath(QStringLiteral("missing/folder/take.wav"))));
    QCOMPARE(recorder.error(), VoiceRecorder::Error::CannotWrite);
}

void TestVoiceRecorder::stopWithoutRecordingDoesNothing()
{
    VoiceRecorder recorder;
    QVERIFY(!recorder.isRecording());
    QVERIFY(!recorder.stop());
    QCOMPARE(recorder.error(), VoiceRecorder::Error::None);
}

ORLUNE_GUILESS_TEST_MAIN(TestVoiceRecorder)

#include "tst_voicerecorder.moc"
