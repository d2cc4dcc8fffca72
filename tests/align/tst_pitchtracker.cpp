#include "align/pitchtracker.h"

#include <QTest>
#include <cmath>
#include <random>

namespace {

constexpr int rate = 44100;

// A voice-like sound: a fundamental with falling harmonics, the second as strong as the first,
// which tempts a tracker into the octave above or below.
std::vector<float> voice(double hz, double seconds)
{
    std::vector<float> samples(size_t(seconds * rate));
    for (size_t i = 0; i < samples.size(); ++i) {
        const double t = double(i) / rate;
        double value = 0;
        for (int h = 1; h <= 6; ++h) {
            value += (h == 2 ? 1.0 : 1.0 / h) * std::sin(2 * M_PI * hz * h * t);
        }
        samples[i] = float(0.2 * value);
    }
    return samples;
}

} // namespace

class TestPitchTracker : public QObject
{
    Q_OBJECT
private slots:
    void findsTheFundamentalAndOnlyInVoice_data()
    {
        QTest::addColumn<double>("hz");
        for (const double hz : {85.0, 110.0, 150.0, 220.0, 300.0, 400.0}) {
            QTest::newRow(qPrintable(QString::number(hz))) << hz;
        }
    }

    void findsTheFundamentalAndOnlyInVoice()
    {
        QFETCH(double, hz);
        // Half a second of voice between two quarter seconds of silence and one of noise.
        std::vector<float> sound(size_t(0.25 * rate), 0.0F);
        const std::vector<float> tone = voice(hz, 0.5);
        sound.insert(sound.end(), tone.begin(), tone.end());
        std::mt19937 random(7);
        std::uniform_real_distribution<float> noise(-0.3F, 0.3F);
        for (int i = 0; i < rate / 4; ++i) {
            sound.push_back(noise(random));
        }
        const std::vector<float> pitch = PitchTracker::track(sound, rate);
        QCOMPARE(qsizetype(pitch.size()), qsizetype(sound.size() / (rate / 100)));

        int voiced = 0;
        for (size_t f = 0; f < pitch.size(); ++f) {
            const double t = double(f) * PitchTracker::stepSeconds;
            const bool inTone = t >= 0.28 && t <= 0.70;
            const bool outside = t < 0.22 || t > 0.78;
            if (inTone) {
                QVERIFY2(std::abs(pitch[f] - hz) < hz * 0.03,
                         qPrintable(QStringLiteral("%1 s: %2 Hz").arg(t).arg(pitch[f])));
                ++voiced;
            }
            if (outside) {
                QVERIFY2(pitch[f] == 0,
                         qPrintable(QStringLiteral("%1 s: %2").arg(t).arg(pitch[f])));
            }
        }
        QVERIFY(voiced >= 40);
    }
};

QTEST_APPLESS_MAIN(TestPitchTracker)

#include "tst_pitchtracker.moc"
