#include "align/subsequencedtw.h"

#include <QTest>

namespace {

// A made-up sound: one cepstrum raised (lowered for sounds under 0), and the voicing that
// marks speech; 0 is a pause.
void appendSound(Mfcc::Features* features, int sound, int frames)
{
    for (int f = 0; f < frames; ++f) {
        std::vector<float> frame(Mfcc::dims, 0.0f);
        if (sound != 0) {
            frame[std::size_t(std::abs(sound) % (2 * Mfcc::cepstra))] = sound > 0 ? 3 : -3;
            frame[Mfcc::dims - 1] = 10;
        }
        features->values.insert(features->values.end(), frame.begin(), frame.end());
        ++features->frames;
    }
}

// The sounds [first, last] a few frames each.
void appendSpeech(Mfcc::Features* features, int first, int last, int framesEach)
{
    for (int sound = first; sound <= last; ++sound)
        appendSound(features, sound, framesEach);
}

} // namespace

class TestSubsequenceDtw : public QObject
{
    Q_OBJECT

private slots:
    void skipsSpeechTheReferenceDoesNotHold_data();
    void skipsSpeechTheReferenceDoesNotHold();
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
    appendSound(&reference, 0, 5);
    appendSpeech(&reference, 1, 24, 3);
    const int firstEnd = reference.frames - 1;
    appendSound(&reference, 0, 25);
    const int pauseMiddle = reference.frames - 13;
    const int secondStart = reference.frames;
    appendSpeech(&reference, 25, 32, 3);
    appendSound(&reference, 0, 5);

    // Read more slowly, at 4 frames a sound, with other speech around it.
    Mfcc::Features recording;
    appendSound(&recording, 0, 10);
    for (int f = 0; f < before; f += 32)
        appendSpeech(&recording, -8, -1, 4);
    appendSound(&recording, 0, before > 0 ? 10 : 0);
    const int firstStartTruth = recording.frames;
    appendSpeech(&recording, 1, 24, 4);
    const int firstEndTruth = recording.frames - 1;
    appendSound(&recording, 0, 10);
    for (int f = 0; f < between; f += 32)
        appendSpeech(&recording, -8, -1, 4);
    appendSound(&recording, 0, between > 0 ? 10 : 0);
    const int secondStartTruth = recording.frames;
    appendSpeech(&recording, 25, 32, 4);
    const int secondEndTruth = recording.frames - 1;
    appendSound(&recording, 0, 10);
    for (int f = 0; f < after; f += 32)
        appendSpeech(&recording, -8, -1, 4);

    const SubsequenceDtw::Match match =
        SubsequenceDtw::align(reference, recording, {}, {pauseMiddle});
    QCOMPARE(int(match.first.size()), reference.frames);
    constexpr int slack = 2; // frames
    const QList<std::pair<int, int>> found = {
        {match.first[5], firstStartTruth},
        {match.last[std::size_t(firstEnd)], firstEndTruth},
        {match.first[std::size_t(secondStart)], secondStartTruth},
        {match.last[std::size_t(reference.frames - 6)], secondEndTruth}};
    for (const auto& [got, truth] : found)
        QVERIFY2(std::abs(got - truth) <= slack,
                 qPrintable(QStringLiteral("frame %1, spoken at %2").arg(got).arg(truth)));
}

QTEST_APPLESS_MAIN(TestSubsequenceDtw)
#include "tst_subsequencedtw.moc"
