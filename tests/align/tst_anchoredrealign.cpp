#include "align/anchoredrealign.h"
#include "madeupsounds.h"

#include <QTest>

namespace {

using Span = SentenceAligner::Span;
using Runs = std::vector<AnchoredRealign::Run>;

// Sounds [first, last], `each` frames a sound; its first and last frame.
ReferenceSpeech::Sentence appendSentence(Mfcc::Features* features, int first, int last, int each)
{
    const int start = features->frames;
    for (int sound = first; sound <= last; ++sound)
        MadeUpSounds::append(features, sound, each);
    return {start, features->frames - 1};
}

Span spanOf(const ReferenceSpeech::Sentence& frames)
{
    return {frames.firstFrame * 0.01, frames.lastFrame * 0.01 + 0.025};
}

} // namespace

Q_DECLARE_METATYPE(Runs)

class TestAnchoredRealign : public QObject
{
    Q_OBJECT

private slots:
    void findsTheUnsureRuns_data();
    void findsTheUnsureRuns();
    void placesARunBetweenItsAnchors_data();
    void placesARunBetweenItsAnchors();
};

void TestAnchoredRealign::findsTheUnsureRuns_data()
{
    QTest::addColumn<QList<double>>("confidence");
    QTest::addColumn<Runs>("runs");
    QTest::newRow("all sure") << QList<double>{0.9, 0.5, 1.0} << Runs{};
    QTest::newRow("none sure: nothing to anchor to") << QList<double>{0.1, 0.2} << Runs{};
    QTest::newRow("one in the middle") << QList<double>{0.9, 0.1, 0.9} << Runs{{1, 2}};
    QTest::newRow("at both ends") << QList<double>{0.4, 0.0, 0.9, 0.49} << Runs{{0, 2}, {3, 4}};
    QTest::newRow("two runs") << QList<double>{0.9, 0.1, 0.2, 0.8, 0.3, 0.9}
                              << Runs{{1, 3}, {4, 5}};
}

void TestAnchoredRealign::findsTheUnsureRuns()
{
    QFETCH(QList<double>, confidence);
    QFETCH(Runs, runs);
    const Runs found = AnchoredRealign::unsureRuns(confidence, 0.5);
    QCOMPARE(found.size(), runs.size());
    for (std::size_t k = 0; k < runs.size(); ++k) {
        QCOMPARE(found[k].first, runs[k].first);
        QCOMPARE(found[k].last, runs[k].last);
    }
}

void TestAnchoredRealign::placesARunBetweenItsAnchors_data()
{
    // Frames of an announcement (sounds the reference never makes) between the first sentence
    // and the second, and where the first warp put the second and third sentences: over the
    // announcement, or late.
    QTest::addColumn<int>("announcement");
    QTest::addColumn<double>("shift");
    QTest::addColumn<bool>("moved");
    QTest::newRow("laid over the announcement") << 120 << -1.0 << true;
    QTest::newRow("late, no announcement") << 0 << 0.4 << true;
    QTest::newRow("no room between the anchors") << 0 << 0.0 << false;
}

void TestAnchoredRealign::placesARunBetweenItsAnchors()
{
    QFETCH(int, announcement);
    QFETCH(double, shift);
    QFETCH(bool, moved);
    // Four sentences, read at 3 frames a sound with pauses of 20 frames, then more slowly in
    // the recording, at 4 frames a sound.
    Mfcc::Features reference, recording;
    std::vector<ReferenceSpeech::Sentence> said, spoken;
    for (int k = 0; k < 4; ++k) {
        MadeUpSounds::append(&reference, 0, 20);
        MadeUpSounds::append(&recording, 0, 20);
        if (k == 1) {
            for (int f = 0; f < announcement; f += 40)
                appendSentence(&recording, -10, -1, 4);
            MadeUpSounds::append(&recording, 0, announcement > 0 ? 20 : 0);
        }
        said.push_back(appendSentence(&reference, 1 + 6 * k, 6 + 6 * k, 3));
        spoken.push_back(appendSentence(&recording, 1 + 6 * k, 6 + 6 * k, 4));
    }
    MadeUpSounds::append(&reference, 0, 20);
    MadeUpSounds::append(&recording, 0, 20);

    QList<Span> mapped;
    for (const ReferenceSpeech::Sentence& frames : spoken)
        mapped.append(spanOf(frames));
    if (moved) {
        for (int k : {1, 2})
            mapped[k] = {mapped[k].start + shift, mapped[k].end + shift};
    } else {
        // The anchors close around a stretch far too short for the two sentences.
        mapped[3].start = mapped[0].end + 0.1;
        mapped[1] = {mapped[0].end + 0.01, mapped[0].end + 0.05};
        mapped[2] = {mapped[0].end + 0.05, mapped[0].end + 0.09};
    }
    const QList<Span> before = mapped;
    const auto hear = [&recording](int from, int to) { return Mfcc::slice(recording, from, to); };
    QVERIFY(
        AnchoredRealign::realign(reference, said, recording.frames, hear, {{1, 3}}, &mapped, {}));
    for (int k : {0, 3}) {
        QCOMPARE(mapped[k].start, before[k].start);
        QCOMPARE(mapped[k].end, before[k].end);
    }
    for (int k : {1, 2}) {
        // Left exactly as it was, or within 3 frames of its speech.
        const Span expected = moved ? spanOf(spoken[std::size_t(k)]) : before[k];
        const double slack = moved ? 0.03 : 0;
        QVERIFY2(std::abs(mapped[k].start - expected.start) <= slack &&
                     std::abs(mapped[k].end - expected.end) <= slack,
                 qPrintable(QStringLiteral("sentence %1 at %2-%3, expected %4-%5")
                                .arg(k)
                                .arg(mapped[k].start)
                                .arg(mapped[k].end)
                                .arg(expected.start)
                                .arg(expected.end)));
    }
}

QTEST_GUILESS_MAIN(TestAnchoredRealign)
#include "tst_anchoredrealign.moc"
