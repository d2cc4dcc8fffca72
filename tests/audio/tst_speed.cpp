#include "audio/playbackengine.h"
#include "monitorcapture.h"
#include "testaudio.h"
#include "testmain.h"
#include "testsignals.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <cmath>

namespace {

constexpr int rate = 44100;

} // namespace

// Slower and faster playback through the null sink: the stretched sound lasts the stretch's
// length divided by the speed, keeps the pitch of every tone, ends with the stop frame, and
// the pause before a follow-on is not stretched.
class TestSpeed : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void stretchedPlayback_data();
    void stretchedPlayback();

private:
    static constexpr qint64 toneFrames = rate * 2 / 5;
    static constexpr double frequencies[] = {440.0, 660.0, 990.0};
    static constexpr int loud = 1000;
};

void TestSpeed::initTestCase()
{
    if (!TestAudio::pulseAvailable())
        QSKIP("No PulseAudio server answers: start one with eval \"$(tools/start-pulse.sh)\"");
}

// The mean frequency over frames [first, stop) of the left channel, from the first to the last
// upward zero crossing, each placed between its two samples.
static double frequencyOf(std::span<const qint16> samples, qint64 first, qint64 stop)
{
    double firstCrossing = -1;
    double lastCrossing = -1;
    int cycles = -1;
    for (qint64 f = first + 1; f < stop; ++f) {
        const double a = samples[size_t(f - 1) * 2];
        const double b = samples[size_t(f) * 2];
        if (a < 0 && b >= 0) {
            lastCrossing = double(f - 1) + a / (a - b);
            if (firstCrossing < 0)
                firstCrossing = lastCrossing;
            ++cycles;
        }
    }
    return cycles > 0 ? cycles * rate / (lastCrossing - firstCrossing) : 0;
}

void TestSpeed::stretchedPlayback_data()
{
    QTest::addColumn<double>("speed");
    for (const double speed : {0.5, 0.7, 1.3, 1.5})
        QTest::addRow("%.1fx", speed) << speed;
}

void TestSpeed::stretchedPlayback()
{
    QFETCH(double, speed);
    // Silence, three tones, then a tone at another pitch that must never be heard.
    const qint64 start = rate / 2;
    const qint64 stop = start + 3 * toneFrames;
    std::vector<qint16> media(size_t(start) * 2, 0);
    for (const double frequency : frequencies) {
        const auto tone = TestSignals::tone(toneFrames, 2, rate, frequency, 12000);
        media.insert(media.end(), tone.begin(), tone.end());
    }
    const auto beyond = TestSignals::tone(rate, 2, rate, 2500, 12000);
    media.insert(media.end(), beyond.begin(), beyond.end());

    PlaybackEngine engine;
    engine.setAudio(DecodedAudio(rate, std::move(media)));
    engine.setSpeed(speed);
    QSignalSpy ends(&engine, &PlaybackEngine::endReached);
    QSignalSpy followed(&engine, &PlaybackEngine::followOnStarted);
    MonitorCapture capture;
    QVERIFY2(capture.start(), qPrintable(capture.errorString()));

    const qint64 pause = rate / 2;
    engine.setPosition(start);
    engine.setStopFrame(stop);
    engine.setFollowOn(pause, start, start + toneFrames);
    QElapsedTimer clock;
    clock.start();
    engine.play();
    // The position follows the sound heard, in source frames: never ahead of the clock, and
    // never far behind it.
    qint64 lastPosition = start;
    while (ends.isEmpty() && clock.elapsed() < 8000) {
        const qint64 position = engine.position();
        const double expected = clock.elapsed() / 1000.0 * speed;
        const double reached = double(position - start) / rate;
        QVERIFY(position >= lastPosition && position <= stop);
        QVERIFY2(reached <= expected + 0.03, "position ahead of the sound");
        QVERIFY2(reached >= expected - 0.3 * speed - 0.03, "position lags far behind");
        lastPosition = position;
        QTest::qWait(25);
    }
    QCOMPARE(ends.count(), 1);
    QCOMPARE(engine.highestSentFrame(), stop - 1);
    QTRY_COMPARE_WITH_TIMEOUT(followed.count(), 1, 3000);
    QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 2, 4000);
    QTRY_VERIFY_WITH_TIMEOUT(!engine.isPlaying(), 2000);
    QCOMPARE(engine.highestSentFrame(), start + toneFrames - 1);
    QCOMPARE(engine.position(), start + toneFrames);
    const auto heard = capture.stop();

    // Sound from the first stretch's first frame to the end of the follow-on's, with the pause
    // between them the only silence.
    const qint64 first = TestAudio::firstNonSilentFrame(heard, loud);
    QVERIFY(first > 0);
    const qint64 length = std::llround(3 * toneFrames / speed);
    const qint64 tolerance = rate * 15 / 1000;
    const qint64 last = TestAudio::lastNonSilentFrame(
        std::span(heard).subspan(0, size_t(first + length + pause / 2) * 2), loud);
    QVERIFY2(
        std::abs(last + 1 - first - length) <= tolerance,
        qPrintable(QStringLiteral("lasted %1 frames, not %2").arg(last + 1 - first).arg(length)));
    const qint64 resumed =
        TestAudio::firstNonSilentFrame(std::span(heard).subspan(size_t(last + 1) * 2), loud);
    QVERIFY2(std::abs(resumed - pause) <= rate * 5 / 1000,
             qPrintable(QStringLiteral("paused %1 frames, not %2").arg(resumed).arg(pause)));

    const qint64 stretchedTone = std::llround(toneFrames / speed);
    for (int i = 0; i < 3; ++i) {
        // The middle of each tone, clear of where the stretch splices one into the next.
        const qint64 from = first + i * stretchedTone + stretchedTone / 5;
        const double measured = frequencyOf(heard, from, from + stretchedTone * 3 / 5);
        QVERIFY2(
            std::abs(measured / frequencies[i] - 1) <= 0.01,
            qPrintable(
                QStringLiteral("tone %1 Hz heard at %2 Hz").arg(frequencies[i]).arg(measured)));
    }
}

ORLUNE_GUILESS_TEST_MAIN(TestSpeed)

#include "tst_speed.moc"
