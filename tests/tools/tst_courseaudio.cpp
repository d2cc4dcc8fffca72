#include "tools/course-builder/encoderdelay.h"
#include "tools/course-builder/upsampler.h"

#include <QRandomGenerator>
#include <QTest>
#include <cmath>
#include <numbers>

class TestCourseAudio : public QObject
{
    Q_OBJECT

private:
    static std::vector<short> sine(double frequency, int frames, double amplitude)
    {
        std::vector<short> samples(static_cast<size_t>(frames));
        for (int n = 0; n < frames; ++n)
            samples[size_t(n)] = short(std::lround(
                amplitude * 32767.0 *
                std::sin(2.0 * std::numbers::pi * frequency * n / Upsampler::inputRate)));
        return samples;
    }

    // Error of the upsampled sine against the ideal one at twice the rate, relative to the
    // signal, in dB; the edges where the filter runs out of input are left out.
    static double errorDb(double frequency)
    {
        const auto input = sine(frequency, 22050, 0.5);
        const auto output = Upsampler().upsample(input);
        double error = 0.0;
        double signal = 0.0;
        for (size_t m = 200; m + 200 < output.size(); ++m) {
            // The input was quantised to 16 bits; compare against the same quantised points.
            const double ideal = 0.5 * 32767.0 / 32768.0 *
                                 std::sin(2.0 * std::numbers::pi * frequency * double(m) /
                                          (2.0 * Upsampler::inputRate));
            error += (output[m] - ideal) * (output[m] - ideal);
            signal += ideal * ideal;
        }
        return 10.0 * std::log10(error / signal);
    }

private slots:
    void doublesTheRateAndKeepsTheInputSamples()
    {
        const auto input = sine(440.0, 1000, 0.8);
        const auto output = Upsampler().upsample(input);
        QCOMPARE(output.size(), 2 * input.size());
        for (size_t i = 0; i < input.size(); ++i)
            QCOMPARE(output[2 * i], float(input[i]) / 32768.0f);
    }

    void keepsAConstantLevel()
    {
        const auto output = Upsampler().upsample(std::vector<short>(400, 16384));
        for (size_t m = 100; m < 700; ++m)
            QVERIFY2(std::abs(output[m] - 0.5f) < 1e-4f, qPrintable(QString::number(m)));
    }

    // Linear interpolation manages only about -19 dB at 4 kHz and -8 dB at 8 kHz; a proper
    // interpolation filter reproduces the speech band almost exactly.
    void interpolatesTheSpeechBand_data()
    {
        QTest::addColumn<double>("frequency");
        QTest::addColumn<double>("maximumDb");
        QTest::newRow("1 kHz") << 1000.0 << -60.0;
        QTest::newRow("4 kHz") << 4000.0 << -60.0;
        QTest::newRow("8 kHz") << 8000.0 << -40.0;
    }

    void interpolatesTheSpeechBand()
    {
        QFETCH(double, frequency);
        QFETCH(double, maximumDb);
        const double db = errorDb(frequency);
        QVERIFY2(db < maximumDb, qPrintable(QString::number(db)));
    }

    void measuresAKnownDelay_data()
    {
        QTest::addColumn<long>("delay");
        QTest::newRow("none") << 0L;
        QTest::newRow("mp3 padding") << 1105L;
        QTest::newRow("one frame") << 1L;
        QTest::newRow("early") << -576L;
    }

    void measuresAKnownDelay()
    {
        QFETCH(long, delay);
        QRandomGenerator random(7);
        std::vector<float> written(44100, 0.0f);
        for (size_t n = 10000; n < 30000; ++n)
            written[n] = float(random.bounded(1.0) - 0.5) * float(std::sin(double(n) / 900.0));
        std::vector<float> decoded(written.size() + 4000, 0.0f);
        for (size_t n = 0; n < written.size(); ++n) {
            // Coding noise, so the match is not bit-exact.
            decoded[size_t(long(n) + delay + 2000)] =
                written[n] + float(random.bounded(0.01) - 0.005);
        }
        decoded.erase(decoded.begin(), decoded.begin() + 2000);
        QCOMPARE(EncoderDelay::measure(written, decoded), delay);
    }

    void findsNoDelayInSilence()
    {
        const std::vector<float> silence(10000, 0.0f);
        QCOMPARE(EncoderDelay::measure(silence, silence), 0L);
    }
};

QTEST_GUILESS_MAIN(TestCourseAudio)
#include "tst_courseaudio.moc"
