#include "align/candidateplaces.h"
#include "madeupsounds.h"

#include <QTest>

namespace {

using Windows = std::vector<std::pair<int, int>>;

// Sounds [first, last], `each` frames a sound, after a pause.
void appendText(Mfcc::Features* features, int first, int last, int each)
{
    MadeUpSounds::append(features, 0, 20);
    for (int sound = first; sound <= last; ++sound)
        MadeUpSounds::append(features, sound, each);
}

} // namespace

Q_DECLARE_METATYPE(Windows)
Q_DECLARE_METATYPE(std::vector<double>)
Q_DECLARE_METATYPE(std::vector<std::size_t>)
Q_DECLARE_METATYPE(QList<SentenceAligner::Span>)

class TestCandidatePlaces : public QObject
{
    Q_OBJECT

private slots:
    void findsTheOtherPlaces_data();
    void findsTheOtherPlaces();
    void reachesAroundAPlace_data();
    void reachesAroundAPlace();
    void warpsTheTextInItsWindow_data();
    void warpsTheTextInItsWindow();
    void looksCloserAtTheBestMatches_data();
    void looksCloserAtTheBestMatches();
    void looksAgainOnlyAtAKeptText_data();
    void looksAgainOnlyAtAKeptText();
};

void TestCandidatePlaces::findsTheOtherPlaces_data()
{
    // Where the first warp laid a text of 100 reference frames, and the windows where it is
    // looked for again: each long enough for the text read at two thirds of the reference's
    // pace, overlapping, none around the whole place already found.
    QTest::addColumn<int>("foundFrom");
    QTest::addColumn<int>("foundTo");
    QTest::addColumn<int>("recording");
    QTest::addColumn<Windows>("windows");
    QTest::newRow("room for the text twice: one window, around the place found")
        << 0 << 100 << 200 << Windows{};
    QTest::newRow("found at the start")
        << 0 << 100 << 400 << Windows{{50, 250}, {100, 300}, {150, 350}, {200, 400}};
    QTest::newRow("found in the middle") << 150 << 250 << 400 << Windows{{0, 200}, {200, 400}};
    QTest::newRow("a long recording: at most twelve windows, spread out")
        << 0 << 100 << 2000 << Windows{{168, 486},   {336, 654},   {504, 822},   {672, 990},
                                       {840, 1158},  {1008, 1326}, {1176, 1494}, {1344, 1662},
                                       {1512, 1830}, {1680, 1998}, {1848, 2000}};
    QTest::newRow("found at the end")
        << 300 << 400 << 400 << Windows{{0, 200}, {50, 250}, {100, 300}, {150, 350}};
}

void TestCandidatePlaces::findsTheOtherPlaces()
{
    QFETCH(int, foundFrom);
    QFETCH(int, foundTo);
    QFETCH(int, recording);
    QFETCH(Windows, windows);
    Windows found;
    for (const CandidatePlaces::Window& w :
         CandidatePlaces::otherWindows(foundFrom, foundTo, 100, recording))
        found.emplace_back(w.from, w.to);
    QCOMPARE(found, windows);
}

void TestCandidatePlaces::reachesAroundAPlace_data()
{
    // Spans in seconds and the frames around them, 300 either side within a recording of
    // 2000; a time's frame is the one whose window is centred nearest it (5 s: frame 499).
    QTest::addColumn<QList<SentenceAligner::Span>>("mapped");
    QTest::addColumn<Windows>("window");
    QTest::newRow("inside") << QList<SentenceAligner::Span>{{5, 6}, {7, 9}} << Windows{{199, 1199}};
    QTest::newRow("near the start") << QList<SentenceAligner::Span>{{1, 2}} << Windows{{0, 499}};
    QTest::newRow("near the end") << QList<SentenceAligner::Span>{{15, 16}, {17, 19.5}}
                                  << Windows{{1199, 2000}};
}

void TestCandidatePlaces::reachesAroundAPlace()
{
    QFETCH(QList<SentenceAligner::Span>, mapped);
    QFETCH(Windows, window);
    const CandidatePlaces::Window around = CandidatePlaces::around(mapped, 2000);
    QCOMPARE((Windows{{around.from, around.to}}), window);
}

void TestCandidatePlaces::warpsTheTextInItsWindow_data()
{
    // The text read twice, slowly and then quickly, with other speech between; the window
    // holds one reading, and the spans must be that reading's, on the recording's timeline.
    QTest::addColumn<bool>("second");
    QTest::newRow("the first reading") << false;
    QTest::newRow("the second reading") << true;
}

void TestCandidatePlaces::warpsTheTextInItsWindow()
{
    QFETCH(bool, second);
    Mfcc::Features reference, recording;
    std::vector<ReferenceSpeech::Sentence> said;
    for (int k = 0; k < 2; ++k) {
        appendText(&reference, 1 + 6 * k, 6 + 6 * k, 3);
        said.push_back({reference.frames - 18, reference.frames - 1});
    }
    MadeUpSounds::append(&reference, 0, 20);
    std::vector<std::pair<int, int>> readings[2];
    for (int reading = 0; reading < 2; ++reading) {
        for (int k = 0; k < 2; ++k) {
            const int each = reading == 0 ? 5 : 3;
            appendText(&recording, 1 + 6 * k, 6 + 6 * k, each);
            readings[reading].emplace_back(recording.frames - 6 * each, recording.frames - 1);
        }
        appendText(&recording, -12, -1, 4);
    }
    const int half = readings[1].front().first - 20;
    const CandidatePlaces::Window window =
        second ? CandidatePlaces::Window{half, recording.frames} : CandidatePlaces::Window{0, half};
    QList<SentenceAligner::Span> mapped;
    QVERIFY(CandidatePlaces::warpIn(reference, said, Mfcc::slice(recording, window.from, window.to),
                                    &mapped, {}));
    QCOMPARE(mapped.size(), 2);
    for (int k = 0; k < 2; ++k) {
        // The spans come on the window's own timeline.
        const auto [first, last] = readings[second ? 1 : 0][std::size_t(k)];
        mapped[k] = {mapped[k].start + window.from * 0.01, mapped[k].end + window.from * 0.01};
        // Within 3 frames of its speech.
        QVERIFY2(std::abs(mapped[k].start - first * 0.01) <= 0.03 &&
                     std::abs(mapped[k].end - (last * 0.01 + 0.025)) <= 0.03,
                 qPrintable(QStringLiteral("sentence %1 at %2-%3, spoken at %4-%5")
                                .arg(k)
                                .arg(mapped[k].start)
                                .arg(mapped[k].end)
                                .arg(first * 0.01)
                                .arg(last * 0.01 + 0.025)));
    }
}

void TestCandidatePlaces::looksCloserAtTheBestMatches_data()
{
    // Each window's rough match (lower: the text matches better forwards than backwards) and
    // the windows looked at closer, best first; at most three.
    QTest::addColumn<std::vector<double>>("matches");
    QTest::addColumn<std::vector<std::size_t>>("closer");
    QTest::newRow("none") << std::vector<double>{} << std::vector<std::size_t>{};
    QTest::newRow("fewer than three: all")
        << std::vector<double>{0.97, 0.81} << std::vector<std::size_t>{1, 0};
    QTest::newRow("the read place among others")
        << std::vector<double>{0.99, 0.98, 1.02, 0.83, 0.79, 0.97, 1.0}
        << std::vector<std::size_t>{4, 3, 5};
    QTest::newRow("ties: the earlier window first")
        << std::vector<double>{0.9, 0.8, 0.9, 0.9} << std::vector<std::size_t>{1, 0, 2};
}

void TestCandidatePlaces::looksCloserAtTheBestMatches()
{
    QFETCH(std::vector<double>, matches);
    QFETCH(std::vector<std::size_t>, closer);
    QCOMPARE(CandidatePlaces::bestMatches(matches), closer);
}

void TestCandidatePlaces::looksAgainOnlyAtAKeptText_data()
{
    // How sure the first look is that the text was read, how sure the second would be, and
    // whether it is cancelled; then whether the second look ran, which of the two is kept and
    // whether the aligner goes on. Texts under 0.5 are refused.
    QTest::addColumn<double>("first");
    QTest::addColumn<double>("second");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<bool>("looked");
    QTest::addColumn<double>("kept");
    QTest::addColumn<bool>("goesOn");
    QTest::newRow("kept, kept again: the second place")
        << 0.9 << 0.7 << false << true << 0.7 << true;
    QTest::newRow("kept just") << 0.5 << 0.95 << false << true << 0.95 << true;
    QTest::newRow("kept, then refused: the first place stays")
        << 0.9 << 0.3 << false << true << 0.9 << true;
    QTest::newRow("refused: not looked at again") << 0.49 << 0.99 << false << false << 0.49 << true;
    QTest::newRow("refused outright") << 0.0 << 1.0 << false << false << 0.0 << true;
    QTest::newRow("kept, second look cancelled") << 0.9 << 0.95 << true << true << 0.9 << false;
    QTest::newRow("refused, a cancel never asked for")
        << 0.2 << 0.95 << true << false << 0.2 << true;
}

void TestCandidatePlaces::looksAgainOnlyAtAKeptText()
{
    QFETCH(double, first);
    QFETCH(double, second);
    QFETCH(bool, cancel);
    QFETCH(bool, looked);
    QFETCH(double, kept);
    QFETCH(bool, goesOn);
    struct Placement
    {
        SentenceAligner::Result judged;
    };
    Placement placement;
    placement.judged.textConfidence = first;
    int looks = 0;
    const bool wentOn = CandidatePlaces::secondLook(&placement, [&](Placement* again) {
        ++looks;
        again->judged.textConfidence = second;
        return !cancel;
    });
    QCOMPARE(looks, looked ? 1 : 0);
    QCOMPARE(wentOn, goesOn);
    if (goesOn)
        QCOMPARE(placement.judged.textConfidence, kept);
}

QTEST_GUILESS_MAIN(TestCandidatePlaces)
#include "tst_candidateplaces.moc"
