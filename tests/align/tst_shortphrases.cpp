#include "align/pausefinder.h"
#include "align/pauseplacement.h"

#include <QTest>
#include <algorithm>
#include <cmath>
#include <numbers>

// Word lists: phrases of half a second, parted by pauses about as long.
using namespace Qt::StringLiterals;
using Spans = QList<SentenceAligner::Span>;
Q_DECLARE_METATYPE(Spans)

namespace {

constexpr int rate = SentenceAligner::sampleRate;

// A vowel-like hum where each word was said over a quiet hiss lasting `seconds`.
std::vector<float> words(const Spans& said, double seconds)
{
    std::vector<float> samples(std::size_t(seconds * rate));
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = 0.0005f * float(int((i * 7919) % 200) - 100) / 100;
    for (const SentenceAligner::Span& word : said)
        for (auto i = std::size_t(word.start * rate); i < std::size_t(word.end * rate); ++i)
            samples[i] +=
                0.2f * float(std::sin(2 * std::numbers::pi * 180 * double(i) / rate) +
                             0.5 * std::sin(2 * std::numbers::pi * 540 * double(i) / rate));
    return samples;
}

} // namespace

class TestShortPhrases : public QObject
{
    Q_OBJECT

private slots:
    void findsTheLastWordAfterThePathCrushedIt_data();
    void findsTheLastWordAfterThePathCrushedIt();
};

void TestShortPhrases::findsTheLastWordAfterThePathCrushedIt_data()
{
    // Three words said at [0.5, 1.0), [1.6, 2.1) and [2.8, 3.1); where the warping path mapped
    // them, and where each word's speech must be found.
    QTest::addColumn<Spans>("mapped");
    QTest::addColumn<Spans>("expected");
    const Spans said = {{0.5, 1.0}, {1.6, 2.1}, {2.8, 3.1}};
    QTest::newRow("mapped where said") << said << said;
    QTest::newRow("the last word laid on the one before")
        << Spans{{0.5, 1.0}, {1.55, 1.9}, {1.95, 2.1}} << said;
    QTest::newRow("the last word half laid on the one before")
        << Spans{{0.5, 1.0}, {1.6, 2.0}, {2.05, 2.6}} << said;
}

void TestShortPhrases::findsTheLastWordAfterThePathCrushedIt()
{
    QFETCH(Spans, mapped);
    QFETCH(Spans, expected);
    const std::vector<float> samples = words({{0.5, 1.0}, {1.6, 2.1}, {2.8, 3.1}}, 4);
    const PauseFinder pauses(samples, rate);
    QVERIFY(pauses.hasSpeech());
    Spans edges, limits;
    std::vector<bool> paused;
    PausePlacement::findPauses(mapped, pauses, &edges, &limits, &paused);
    QCOMPARE(edges.size(), expected.size());
    for (qsizetype k = 0; k < edges.size(); ++k) {
        const QString where = u"word %1: %2..%3"_s.arg(k + 1).arg(edges[k].start).arg(edges[k].end);
        QVERIFY2(std::abs(edges[k].start - expected[k].start) < 0.03, qPrintable(where));
        QVERIFY2(std::abs(edges[k].end - expected[k].end) < 0.03, qPrintable(where));
        QVERIFY2(limits[k].start <= edges[k].start && edges[k].end <= limits[k].end,
                 qPrintable(where));
    }
    QVERIFY(std::all_of(paused.begin(), paused.end(), [](bool p) { return p; }));
}

QTEST_APPLESS_MAIN(TestShortPhrases)
#include "tst_shortphrases.moc"
