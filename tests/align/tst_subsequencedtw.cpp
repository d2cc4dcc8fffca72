#include "align/subsequencedtw.h"
#include "madeupsounds.h"

#include <QTest>
#include <cmath>
#include <numbers>
#include <random>

namespace {

// Noise over the last `frames` frames: every cepstrum lifted alike (their slopes stay), as a
// hiss lifts the quiet bands of every frame.
void addNoise(Mfcc::Features* features, int frames, float lift)
{
    for (int f = features->frames - frames; f < features->frames; ++f)
        for (int d = 0; d < Mfcc::cepstra; ++d)
            features->values[std::size_t(f) * Mfcc::dims + std::size_t(d)] += lift;
}

// The sounds [first, last] a few frames each.
void appendSpeech(Mfcc::Features* features, int first, int last, int framesEach)
{
    for (int sound = first; sound <= last; ++sound)
        MadeUpSounds::append(features, sound, framesEach);
}

} // namespace

class TestSubsequenceDtw : public QObject
{
    Q_OBJECT

private slots:
    void skipsSpeechTheReferenceDoesNotHold_data();
    void skipsSpeechTheReferenceDoesNotHold();
    void waitsThroughTheLongPausesOfAWordList_data();
    void waitsThroughTheLongPausesOfAWordList();
    void keepsItsPlaceInALongRecording_data();
    void keepsItsPlaceInALongRecording();
    void comparesEachLessonOfALongRecordingByItsOwnLevel_data();
    void comparesEachLessonOfALongRecordingByItsOwnLevel();
};

void TestSubsequenceDtw::skipsSpeechTheReferenceDoesNotHold_data()
{
    // Frames of other speech (sounds the reference never makes) before the first paragraph,
    // between the two and after the last; shorter than the paragraphs, as announcements and
    // the exercises between paragraphs are.
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("between");
    QTest::addColumn<int>("after");
    QTest::newRow("none") << 0 << 0 << 0;
    QTest::newRow("an announcement before") << 64 << 0 << 0;
    QTest::newRow("an exercise between") << 0 << 64 << 0;
    QTest::newRow("everywhere") << 32 << 64 << 32;
}

void TestSubsequenceDtw::skipsSpeechTheReferenceDoesNotHold()
{
    QFETCH(int, before);
    QFETCH(int, between);
    QFETCH(int, after);
    // Two paragraphs of 24 and 8 sounds, joined by a pause, spoken at 3 frames a sound.
    Mfcc::Features reference;
    MadeUpSounds::append(&reference, 0, 5);
    appendSpeech(&reference, 1, 24, 3);
    const int firstEnd = reference.frames - 1;
    MadeUpSounds::append(&reference, 0, 25);
    const int pauseMiddle = reference.frames - 13;
    const int secondStart = reference.frames;
    appendSpeech(&reference, 25, 32, 3);
    MadeUpSounds::append(&reference, 0, 5);

    // Read more slowly, at 4 frames a sound, with other speech around it.
    Mfcc::Features recording;
    MadeUpSounds::append(&recording, 0, 10);
    for (int f = 0; f < before; f += 32)
        appendSpeech(&recording, -8, -1, 4);
    MadeUpSounds::append(&recording, 0, before > 0 ? 10 : 0);
    const int firstStartTruth = recording.frames;
    appendSpeech(&recording, 1, 24, 4);
    const int firstEndTruth = recording.frames - 1;
    MadeUpSounds::append(&recording, 0, 10);
    for (int f = 0; f < between; f += 32)
        appendSpeech(&recording, -8, -1, 4);
    MadeUpSounds::append(&recording, 0, between > 0 ? 10 : 0);
    const int secondStartTruth = recording.frames;
    appendSpeech(&recording, 25, 32, 4);
    const int secondEndTruth = recording.frames - 1;
    MadeUpSounds::append(&recording, 0, 10);
    for (int f = 0; f < after; f += 32)
        appendSpeech(&recording, -8, -1, 4);

    // The first pass at full resolution, and as coarse as a window's rough warp may make it
    // (four frames to one): the passes after it must bring the path back to the frame.
    for (const double coarseCells :
         {SubsequenceDtw::maxCoarseCells, double(reference.frames) * recording.frames / 16}) {
        const SubsequenceDtw::Match match =
            SubsequenceDtw::align(reference, recording, {}, {pauseMiddle}, {}, coarseCells);
        QCOMPARE(int(match.first.size()), reference.frames);
        constexpr int slack = 2; // frames
        const QList<std::pair<int, int>> found = {
            {match.first[5], firstStartTruth},
            {match.last[std::size_t(firstEnd)], firstEndTruth},
            {match.first[std::size_t(secondStart)], secondStartTruth},
            {match.last[std::size_t(reference.frames - 6)], secondEndTruth}};
        for (const auto& [got, truth] : found)
            QVERIFY2(std::abs(got - truth) <= slack,
                     qPrintable(QStringLiteral("frame %1, spoken at %2 (first pass of %3 cells)")
                                    .arg(got)
                                    .arg(truth)
                                    .arg(coarseCells)));
    }
}

void TestSubsequenceDtw::waitsThroughTheLongPausesOfAWordList_data()
{
    // A word list read with pauses several times the reference's, each pause lifted by a hiss
    // (`hiss`, on every cepstrum, the voicing still a pause's) and, when `announced`, an
    // announcement before the first word and a closing after the last.
    QTest::addColumn<float>("hiss");
    QTest::addColumn<bool>("announced");
    QTest::newRow("quiet pauses") << 0.0f << false;
    QTest::newRow("quiet pauses, announced") << 0.0f << true;
    QTest::newRow("hissing pauses") << 1.5f << false;
    QTest::newRow("hissing pauses, announced") << 1.5f << true;
}

void TestSubsequenceDtw::waitsThroughTheLongPausesOfAWordList()
{
    QFETCH(float, hiss);
    QFETCH(bool, announced);
    // Nine words of two sounds, 4 frames each; 20 frames of pause between words in the
    // reference, 100 in the recording.
    constexpr int words = 9;
    Mfcc::Features reference;
    std::vector<int> wordStarts, pauseMiddles;
    MadeUpSounds::append(&reference, 0, 10);
    for (int w = 0; w < words; ++w) {
        if (w > 0) {
            MadeUpSounds::append(&reference, 0, 20);
            pauseMiddles.push_back(reference.frames - 10);
        }
        wordStarts.push_back(reference.frames);
        appendSpeech(&reference, 2 * w + 1, 2 * w + 2, 4);
    }
    MadeUpSounds::append(&reference, 0, 10);

    Mfcc::Features recording;
    const auto pause = [&](int frames) {
        MadeUpSounds::append(&recording, 0, frames);
        addNoise(&recording, frames, hiss);
    };
    const auto announce = [&] {
        for (int k = 0; announced && k < 3; ++k) {
            appendSpeech(&recording, -8, -1, 4);
            pause(10);
        }
    };
    pause(30);
    announce();
    std::vector<int> truth;
    for (int w = 0; w < words; ++w) {
        if (w > 0)
            pause(100);
        truth.push_back(recording.frames);
        appendSpeech(&recording, 2 * w + 1, 2 * w + 2, 4);
    }
    pause(30);
    announce();

    const SubsequenceDtw::Match match =
        SubsequenceDtw::align(reference, recording, {}, pauseMiddles);
    QCOMPARE(int(match.first.size()), reference.frames);
    for (int w = 0; w < words; ++w) {
        const int got = match.first[std::size_t(wordStarts[std::size_t(w)])];
        QVERIFY2(std::abs(got - truth[std::size_t(w)]) <= 2,
                 qPrintable(QStringLiteral("word %1 at frame %2, spoken at %3")
                                .arg(w + 1)
                                .arg(got)
                                .arg(truth[std::size_t(w)])));
    }
}

void TestSubsequenceDtw::keepsItsPlaceInALongRecording_data()
{
    // Two lessons of a long recording, the second one and its announcement under noise, and
    // a lesson the text does not hold after them, clean: the second lesson must be found
    // under its noise rather than on the clean speech after it.
    QTest::addColumn<float>("noise");
    QTest::newRow("no noise") << 0.0f;
    QTest::newRow("noise") << 1.5f;
    QTest::newRow("strong noise") << 2.0f;
}

void TestSubsequenceDtw::keepsItsPlaceInALongRecording()
{
    QFETCH(float, noise);
    // Sounds of two seconds in the reference, three in the recording: each lesson lasts
    // longer than the reach of the aligner's sense of the noise around a frame.
    constexpr int refEach = 200;
    constexpr int each = 300;
    Mfcc::Features reference;
    MadeUpSounds::append(&reference, 0, 10);
    appendSpeech(&reference, 1, 8, refEach);
    MadeUpSounds::append(&reference, 0, 40);
    const int pauseMiddle = reference.frames - 20;
    const int secondStart = reference.frames;
    appendSpeech(&reference, 9, 16, refEach);
    MadeUpSounds::append(&reference, 0, 10);

    Mfcc::Features recording;
    MadeUpSounds::append(&recording, 0, 30);
    const int firstStartTruth = recording.frames;
    appendSpeech(&recording, 1, 8, each);
    MadeUpSounds::append(&recording, 0, 60);
    const int noiseFrom = recording.frames;
    appendSpeech(&recording, -18, -17, each);
    MadeUpSounds::append(&recording, 0, 60);
    const int secondStartTruth = recording.frames;
    appendSpeech(&recording, 9, 16, each);
    MadeUpSounds::append(&recording, 0, 60);
    addNoise(&recording, recording.frames - noiseFrom, noise);
    appendSpeech(&recording, -8, -1, each);
    MadeUpSounds::append(&recording, 0, 30);

    const SubsequenceDtw::Match match =
        SubsequenceDtw::align(reference, recording, {}, {pauseMiddle});
    QCOMPARE(int(match.first.size()), reference.frames);
    // Where each lesson starts: its end, under noise, is found by the pause search later.
    constexpr int slack = each / 2;
    const QList<std::pair<int, int>> found = {
        {match.first[10], firstStartTruth},
        {match.first[std::size_t(secondStart)], secondStartTruth}};
    for (const auto& [got, truth] : found)
        QVERIFY2(std::abs(got - truth) <= slack,
                 qPrintable(QStringLiteral("frame %1, spoken at %2").arg(got).arg(truth)));
}

void TestSubsequenceDtw::comparesEachLessonOfALongRecordingByItsOwnLevel_data()
{
    // A long recording of two lessons, the second recorded louder or softer than the first;
    // the same sound in each must give the same features, or the warping would find one of
    // them further from the reference than the other.
    QTest::addColumn<double>("gainDb");
    QTest::newRow("20 dB softer") << -20.0;
    QTest::newRow("12 dB louder") << 12.0;
}

void TestSubsequenceDtw::comparesEachLessonOfALongRecordingByItsOwnLevel()
{
    QFETCH(double, gainDb);
    // Three minutes a lesson: a hum of 0.6 s, 0.4 s of quiet, over a faint hiss.
    constexpr int rate = Mfcc::sampleRate;
    constexpr int lessonSeconds = 180;
    std::vector<float> samples(std::size_t(2 * lessonSeconds * rate));
    std::mt19937 random(7);
    std::normal_distribution<float> hiss(0.0f, 0.01f);
    const double gain = std::pow(10.0, gainDb / 20);
    for (std::size_t k = 0; k < samples.size(); ++k) {
        const double t = double(k % std::size_t(lessonSeconds * rate)) / rate;
        const bool hum = std::fmod(t, 1.0) < 0.6;
        double v = hiss(random);
        for (int h = 1; hum && h <= 5; ++h)
            v += 0.1 / h * std::sin(2 * std::numbers::pi * 150 * h * t);
        samples[k] = float(k < std::size_t(lessonSeconds * rate) ? v : v * gain);
    }
    const Mfcc::Features features = Mfcc::compute(samples);
    // Ten seconds in the middle of each lesson, far from where the two meet, on average.
    const auto average = [&](int from, int c) {
        double sum = 0;
        for (int i = from; i < from + 1000; ++i)
            sum += features.frame(i)[c];
        return sum / 1000;
    };
    const int first = 85 * 100;
    const int second = first + lessonSeconds * 100;
    for (int c = 0; c < Mfcc::cepstra; ++c)
        QVERIFY2(std::abs(average(first, c) - average(second, c)) < 0.1,
                 qPrintable(QStringLiteral("cepstrum %1: %2 against %3")
                                .arg(c)
                                .arg(average(first, c))
                                .arg(average(second, c))));
}

QTEST_APPLESS_MAIN(TestSubsequenceDtw)
#include "tst_subsequencedtw.moc"
