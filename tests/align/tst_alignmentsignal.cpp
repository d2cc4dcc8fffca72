#include "align/mfcc.h"
#include "align/pausefinder.h"
#include "align/realfft.h"
#include "align/sentencealigner.h"
#include "testmain.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <future>
#include <numbers>
#include <random>
#include <sndfile.h>

using namespace Qt::StringLiterals;

namespace {
constexpr int rate = SentenceAligner::sampleRate;
} // namespace

// What the aligner hears before it aligns anything: the decoded samples, the noise under them,
// the pauses in its features and the transform beneath them.
class TestAlignmentSignal : public QObject
{
    Q_OBJECT

private slots:
    void decodesToMonoAtTheAlignersRate();
    void measuresTheNoiseUnderSpeech_data();
    void measuresTheNoiseUnderSpeech();
    void hearsPausesUnderEachLessonsOwnNoise_data();
    void hearsPausesUnderEachLessonsOwnNoise();
    void transformsOnAnyThread_data();
    void transformsOnAnyThread();
};

void TestAlignmentSignal::decodesToMonoAtTheAlignersRate()
{
    QTemporaryDir dir;
    const QString wav = dir.filePath(u"stereo.wav"_s);
    // Three seconds at 44.1 kHz: 440 Hz on the left, silence on the right.
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(wav.toLocal8Bit().constData(), SFM_WRITE, &info);
    QVERIFY(file);
    std::vector<float> frames(size_t(3 * 44100 * 2), 0.0f);
    for (size_t i = 0; i < frames.size() / 2; ++i)
        frames[2 * i] = float(0.5 * std::sin(2 * std::numbers::pi * 440 * double(i) / 44100));
    sf_writef_float(file, frames.data(), sf_count_t(frames.size() / 2));
    sf_close(file);

    std::vector<float> samples;
    QString error;
    QVERIFY2(SentenceAligner::decodeForAlignment(wav, &samples, &error), qPrintable(error));
    QCOMPARE(qsizetype(samples.size()), qsizetype(3 * rate));
    // Mixed to mono: half the left channel's amplitude, the tone's frequency kept.
    double power = 0, crossings = 0;
    for (size_t i = rate / 2; i + 1 < samples.size() - rate / 2; ++i) {
        power += double(samples[i]) * samples[i];
        crossings += (samples[i] < 0) != (samples[i + 1] < 0);
    }
    QVERIFY(std::abs(std::sqrt(power / (2 * rate)) - 0.25 / std::sqrt(2.0)) < 0.005);
    QVERIFY(std::abs(crossings / 2 / 2.0 - 440) < 2);

    const QString corrupt = dir.filePath(u"corrupt.mp3"_s);
    QFile junk(corrupt);
    QVERIFY(junk.open(QIODevice::WriteOnly));
    std::mt19937 random(5);
    QByteArray bytes = "ID3\x03";
    for (int i = 0; i < 200000; ++i)
        bytes.append(char(random() & 0xff));
    junk.write(bytes);
    junk.close();
    for (const QString& path : {corrupt, dir.filePath(u"missing.wav"_s)}) {
        error.clear();
        samples.assign(10, 1.0f);
        const bool decoded = SentenceAligner::decodeForAlignment(path, &samples, &error);
        // A junk MP3 may pass for a few frames of noise; it must never crash or pass silently.
        QVERIFY(!decoded ? !error.isEmpty() : samples.size() < size_t(60 * rate));
    }
}

void TestAlignmentSignal::measuresTheNoiseUnderSpeech_data()
{
    QTest::addColumn<double>("noiseLevel");  // standard deviation of the white noise
    QTest::addColumn<double>("speechShare"); // of the frames, each far louder than the noise
    QTest::newRow("digital silence") << 0.0 << 0.5;
    QTest::newRow("noise alone") << 0.01 << 0.0;
    QTest::newRow("mostly pauses") << 0.01 << 0.1;
    QTest::newRow("few pauses") << 0.001 << 0.85;
}

// 5 ms frames of white noise, some with a loud tone over it: the noise's power and wander
// must come from the noise alone, however few the pauses.
void TestAlignmentSignal::measuresTheNoiseUnderSpeech()
{
    QFETCH(double, noiseLevel);
    QFETCH(double, speechShare);
    constexpr int frame = rate / 200, frames = 4000;
    std::mt19937 random(3);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::bernoulli_distribution speaking(speechShare);
    std::vector<double> power(frames);
    for (double& p : power) {
        const bool speech = speaking(random);
        double sum = 0;
        for (int i = 0; i < frame; ++i) {
            const double v = noiseLevel * noise(random) + (speech ? 0.3 * std::sin(0.2 * i) : 0);
            sum += v * v;
        }
        p = sum / frame;
    }
    const PauseFinder::Noise found = PauseFinder::noiseIn(power);
    const double truePower = noiseLevel * noiseLevel;
    // A frame's power over `frame` samples strays by sqrt(2 / frame) of its mean.
    const double trueWander = truePower * std::sqrt(2.0 / frame);
    QVERIFY2(std::abs(found.power - truePower) <= 0.05 * truePower,
             qPrintable(u"power %1, true %2"_s.arg(found.power).arg(truePower)));
    QVERIFY2(found.wander >= 0.5 * trueWander && found.wander <= 1.5 * trueWander,
             qPrintable(u"wander %1, true %2"_s.arg(found.wander).arg(trueWander)));
    const PauseFinder::Noise none = PauseFinder::noiseIn({});
    QCOMPARE(none.power + none.wander, 0.0);
}

void TestAlignmentSignal::transformsOnAnyThread_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("bin"); // where a sinusoid of amplitude 1 lies exactly
    QTest::newRow("steady level") << 512 << 0;
    QTest::newRow("tone") << 512 << 37;
    QTest::newRow("size not a power of two") << 400 << 7;
}

// Plans made on several threads at once, as alignments in the dialog and a test may do, each
// transforming a sinusoid: its power lies in its own bin and nowhere else.
void TestAlignmentSignal::transformsOnAnyThread()
{
    QFETCH(int, size);
    QFETCH(int, bin);
    // Off its peak, so that the power takes the imaginary part too.
    constexpr double phase = 0.7;
    auto transform = [size, bin] {
        std::vector<float> power;
        for (int round = 0; round < 20; ++round) {
            RealFft fft(size);
            for (int i = 0; i < size; ++i)
                fft.input()[i] = float(std::cos(2 * std::numbers::pi * bin * i / size + phase));
            fft.run();
            power.assign(size_t(size / 2 + 1), 0.0f);
            for (int k = 0; k <= size / 2; ++k)
                power[size_t(k)] = fft.power(k);
        }
        return power;
    };
    std::vector<std::future<std::vector<float>>> runs;
    for (int t = 0; t < 4; ++t)
        runs.push_back(std::async(std::launch::async, transform));
    // A sinusoid's amplitude splits between its bin and the mirrored one, except at 0.
    const double expected = std::pow(bin == 0 ? size * std::cos(phase) : size / 2.0, 2);
    for (auto& run : runs) {
        const std::vector<float> power = run.get();
        QCOMPARE_LE(std::abs(power[size_t(bin)] - expected), 1e-3 * expected);
        for (int k = 0; k <= size / 2; ++k) {
            if (k != bin)
                QVERIFY2(power[size_t(k)] < 1e-6 * expected, qPrintable(QString::number(k)));
        }
    }
}

void TestAlignmentSignal::hearsPausesUnderEachLessonsOwnNoise_data()
{
    // Which half of a recording lies under white noise `underDb` under its speech.
    QTest::addColumn<double>("seconds");
    QTest::addColumn<bool>("noisyFirst");
    QTest::addColumn<bool>("noisySecond");
    QTest::addColumn<double>("underDb");
    QTest::newRow("a quiet lesson, then a noisy one") << 240.0 << false << true << 20.0;
    QTest::newRow("a noisy lesson, then a quiet one") << 240.0 << true << false << 20.0;
    QTest::newRow("both noisy") << 240.0 << true << true << 20.0;
    // The speech band's loudest frames stand some 13 dB over its quietest.
    QTest::newRow("a word list under a loud hiss") << 20.0 << true << true << 11.0;
}

// The features mark speech and pause in each lesson of a long recording alike, whatever the
// noise of the others, and in a short one under loud noise: a pause the aligner hears as
// speech, or speech it hears as a pause, matches nothing in its reference.
void TestAlignmentSignal::hearsPausesUnderEachLessonsOwnNoise()
{
    QFETCH(double, seconds);
    QFETCH(bool, noisyFirst);
    QFETCH(bool, noisySecond);
    QFETCH(double, underDb);
    constexpr double burst = 1.2, every = 2.0;
    std::vector<float> samples(std::size_t(seconds * rate));
    std::mt19937 random(5);
    // A buzz as rich in harmonics as a vowel, each 0.02 strong: its power is 25 × 0.0002.
    constexpr int harmonics = 25;
    std::normal_distribution<double> noise(0.0, std::sqrt(harmonics * 0.0002) *
                                                    std::pow(10.0, -underDb / 20));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = double(i) / rate;
        const bool on = std::fmod(t, every) < burst;
        double value = 0;
        for (int h = 1; on && h <= harmonics; ++h)
            value += 0.02 * std::sin(2 * std::numbers::pi * 150 * h * t);
        const bool noisy = t < seconds / 2 ? noisyFirst : noisySecond;
        samples[i] = float(value + (noisy ? noise(random) : 0.0));
    }
    const Mfcc::Features features = Mfcc::compute(samples);
    int heardPauses = 0, pauses = 0, heardSpeech = 0, speech = 0;
    for (int i = 0; i < features.frames; ++i) {
        const double t = std::fmod(Mfcc::frameTime(i), every);
        const bool voiced = !Mfcc::isPause(features.frame(i));
        // Away from the edges of each burst.
        if (t > 0.1 && t < burst - 0.1) {
            ++speech;
            heardSpeech += voiced;
        } else if (t > burst + 0.1 && t < every - 0.1) {
            ++pauses;
            heardPauses += !voiced;
        }
    }
    QVERIFY2(heardSpeech > speech * 99 / 100,
             qPrintable(QStringLiteral("%1 of %2 speech frames").arg(heardSpeech).arg(speech)));
    QVERIFY2(heardPauses > pauses * 95 / 100,
             qPrintable(QStringLiteral("%1 of %2 pause frames").arg(heardPauses).arg(pauses)));
}

ORLUNE_GUILESS_TEST_MAIN(TestAlignmentSignal)
#include "tst_alignmentsignal.moc"
