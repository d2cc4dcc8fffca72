#include "align/alignmentconfidence.h"
#include "align/sentencealigner.h"
#include "testmain.h"

#include <QList>

// How sure the aligner is of a sentence it placed, and whether a text was read at all, from the
// evidence alone: no recording is needed to see the limits move the right way.
class TestAlignmentConfidence : public QObject
{
    Q_OBJECT

private slots:
    void judgesEachSentenceAgainstItsNeighbours_data();
    void judgesEachSentenceAgainstItsNeighbours();
    void judgesTheWholeText_data();
    void judgesTheWholeText();
};

void TestAlignmentConfidence::judgesEachSentenceAgainstItsNeighbours_data()
{
    // The match ratio of every sentence of a text, whether sentence `at` has a pause at both
    // ends, and whether it is to be trusted.
    QTest::addColumn<QList<double>>("ratios");
    QTest::addColumn<int>("at");
    QTest::addColumn<bool>("paused");
    // Its span's length over its reference's, over the same for the whole text.
    QTest::addColumn<double>("stretch");
    // Each span's length over its reference's, every reference lasting `referenceSeconds`;
    // empty for spans all as long as their references.
    QTest::addColumn<QList<double>>("stretches");
    QTest::addColumn<double>("referenceSeconds");
    QTest::addColumn<bool>("sure");
    const QList<double> clean(12, 0.8), noisy(12, 0.97), even;
    QList<double> cleanOneAstray = clean, noisyOneAstray = noisy;
    cleanOneAstray[6] = 1.0;
    noisyOneAstray[6] = 1.1;
    QTest::newRow("clean") << clean << 6 << true << 1.0 << even << 1.0 << true;
    QTest::newRow("clean, one astray")
        << cleanOneAstray << 6 << true << 1.0 << even << 1.0 << false;
    QTest::newRow("under noise") << noisy << 6 << true << 1.0 << even << 1.0 << true;
    QTest::newRow("under noise, one astray")
        << noisyOneAstray << 6 << true << 1.0 << even << 1.0 << false;
    QTest::newRow("noisy after clean: the clean")
        << clean + noisy << 2 << true << 1.0 << even << 1.0 << true;
    QTest::newRow("noisy after clean: the noisy")
        << clean + noisy << 21 << true << 1.0 << even << 1.0 << true;
    // Run into both neighbours, however well it matches.
    QTest::newRow("clean, no pauses") << clean << 6 << false << 1.0 << even << 1.0 << false;
    // Neighbours that all went astray do not make a sentence matched as poorly sure.
    QTest::newRow("all astray") << QList<double>(12, 1.1) << 6 << true << 1.0 << even << 1.0
                                << false;
    // Sentences of five seconds, one span stretched by a fifth: a slow reading of it...
    QList<double> oneStretched(12, 1.0);
    oneStretched[6] = 1.08;
    QTest::newRow("a long sentence read slowly")
        << clean << 6 << true << 1.0 << oneStretched << 5.0 << true;
    // ...or a second and a half of speech the text does not hold.
    oneStretched[6] = 1.3;
    QTest::newRow("a long sentence and speech after it")
        << clean << 6 << true << 1.0 << oneStretched << 5.0 << false;
    // A slow reader's lesson after a fast reader's, in one recording: overlong only against the
    // fast pace, which is not the one around it. (Its stretch against the whole text's pace is
    // left out here.)
    const QList<double> fastThenSlow = QList<double>(16, 0.8) + QList<double>(8, 1.3);
    QTest::newRow("a slow reader after a fast one")
        << clean + clean << 20 << true << 1.0 << fastThenSlow << 5.0 << true;
    // A span far shorter than the pace says: a fast reader's long sentence, matched all along
    // by its reference, or a part of a sentence, matched no better than the pace asks.
    QTest::newRow("read fast, matched closely") << clean << 6 << true << 0.6 << even << 1.0 << true;
    QTest::newRow("read fast, matched as usual")
        << QList<double>(12, 0.85) << 6 << true << 0.6 << even << 1.0 << false;
    // A phrase of half a second in a word list: said there, it may match no better forwards
    // than backwards; matched clearly worse, it is not.
    QList<double> words(12, 0.9);
    words[6] = 1.0;
    QTest::newRow("a short phrase, matched as well backwards")
        << words << 6 << true << 1.0 << even << 0.5 << true;
    words[6] = 1.15;
    QTest::newRow("a short phrase, matched worse than backwards")
        << words << 6 << true << 1.0 << even << 0.5 << false;
}

void TestAlignmentConfidence::judgesEachSentenceAgainstItsNeighbours()
{
    QFETCH(QList<double>, ratios);
    QFETCH(int, at);
    QFETCH(bool, paused);
    QFETCH(double, stretch);
    QFETCH(QList<double>, stretches);
    QFETCH(double, referenceSeconds);
    QFETCH(bool, sure);
    const std::vector<double> eased =
        AlignmentConfidence::againstNeighbours({ratios.begin(), ratios.end()});
    QCOMPARE(int(eased.size()), int(ratios.size()));
    AlignmentConfidence::Evidence evidence;
    evidence.matchRatio = eased[std::size_t(at)];
    evidence.pauseBefore = evidence.pauseAfter = paused;
    evidence.stretch = stretch;
    evidence.referenceSeconds = referenceSeconds;
    if (!stretches.isEmpty()) {
        const std::vector<double> overlong = AlignmentConfidence::overlong(
            {stretches.begin(), stretches.end()},
            std::vector<double>(std::size_t(stretches.size()), referenceSeconds));
        QCOMPARE(int(overlong.size()), int(stretches.size()));
        evidence.overlong = overlong[std::size_t(at)];
    }
    const double confidence = AlignmentConfidence::sentence(evidence);
    QVERIFY2((confidence >= SentenceAligner::unsureBelow) == sure,
             qPrintable(QStringLiteral("confidence %1").arg(confidence)));
}

void TestAlignmentConfidence::judgesTheWholeText_data()
{
    // Six sentences alike: each one's match ratio, its span's length over its reference's
    // (every other one's when `uneven`), its neighbour ratio (none when negative), its
    // reference's length and its own confidence (none when negative); how many times the
    // text's speech the recording holds; whether the text is taken to have been read in the
    // recording.
    QTest::addColumn<double>("ratio");
    QTest::addColumn<bool>("uneven");
    QTest::addColumn<double>("neighbourRatio");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<double>("sure");
    QTest::addColumn<double>("room");
    QTest::addColumn<bool>("read");
    QTest::newRow("its own text") << 0.85 << false << 0.85 << 3.0 << 0.9 << 1.0 << true;
    QTest::newRow("its own text of one sentence")
        << 0.85 << false << -1.0 << 3.0 << -1.0 << 10.0 << true;
    QTest::newRow("another text, its lengths not followed")
        << 0.95 << true << 0.95 << 3.0 << -1.0 << 1.0 << false;
    // Long sentences that found, somewhere in half an hour, speech matching them better
    // forwards than backwards, at their own pace, but no better than the next sentence's.
    QTest::newRow("another text in a long recording")
        << 0.93 << false << 1.01 << 12.0 << -1.0 << 10.0 << false;
    // Single words match their neighbours' words about as well as their own.
    QTest::newRow("its own word list in a long recording")
        << 0.93 << false << 1.0 << 0.5 << 0.8 << 10.0 << true;
    // So do whole sentences under strong noise.
    QTest::newRow("its own text under noise") << 0.93 << false << 1.03 << 8.0 << 0.8 << 1.0 << true;
    // Short phrases under noise match their spans barely better than another text would, but
    // most of them are placed surely; another text that matches as well as a whole leaves
    // half its sentences unsure.
    QTest::newRow("its own words under noise")
        << 0.955 << false << -1.0 << 0.5 << 0.78 << 1.5 << true;
    QTest::newRow("another text matching as well")
        << 0.955 << false << -1.0 << 3.0 << 0.55 << 1.5 << false;
    // In a recording with room for two lessons, another lesson's text may match the other
    // lesson fairly well as a whole; a third of its sentences stay unsure.
    QTest::newRow("another text matching fairly well")
        << 0.945 << false << -1.0 << 3.0 << 0.62 << 2.0 << false;
    // A file of three lessons: another one's text matches as a whole and in most sentences,
    // but each sentence matches the next one's speech as well as its own.
    QTest::newRow("another lesson's text in a file of three")
        << 0.90 << false << 1.03 << 4.0 << 0.70 << 2.9 << false;
    QTest::newRow("its own text in a file of three")
        << 0.85 << false << 0.85 << 4.0 << 0.9 << 2.9 << true;
}

void TestAlignmentConfidence::judgesTheWholeText()
{
    QFETCH(double, ratio);
    QFETCH(bool, uneven);
    QFETCH(double, neighbourRatio);
    QFETCH(double, seconds);
    QFETCH(double, sure);
    QFETCH(double, room);
    QFETCH(bool, read);
    constexpr int count = 6;
    AlignmentConfidence::TextEvidence evidence;
    evidence.recordingToText = room;
    for (int k = 0; k < count; ++k) {
        evidence.matchRatios.push_back(ratio);
        evidence.stretches.push_back(uneven && k % 2 == 1 ? 1.8 : 1.0);
        if (neighbourRatio >= 0)
            evidence.neighbourRatios.push_back(neighbourRatio);
        evidence.referenceSeconds.push_back(seconds);
        if (sure >= 0)
            evidence.sentenceConfidence.push_back(k % 2 == 0 ? sure - 0.1 : sure + 0.1);
    }
    const double confidence = AlignmentConfidence::text(evidence);
    QVERIFY2((confidence >= AlignmentConfidence::refuseBelow) == read,
             qPrintable(QStringLiteral("confidence %1").arg(confidence)));
}

ORLUNE_GUILESS_TEST_MAIN(TestAlignmentConfidence)
#include "tst_alignmentconfidence.moc"
