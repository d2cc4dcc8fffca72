#include "lessons/timetext.h"

#include <QRandomGenerator>
#include <QTest>
#include <cmath>

using namespace Qt::StringLiterals;

class TestTimeText : public QObject
{
    Q_OBJECT

private:
    static void verifyOrder(const std::vector<TimeText::CentiSpan>& spans)
    {
        for (size_t i = 0; i < spans.size(); ++i) {
            QVERIFY2(spans[i].first >= 0, qPrintable(QString::number(i)));
            QVERIFY2(spans[i].first < spans[i].second, qPrintable(QString::number(i)));
            if (i + 1 < spans.size()) {
                QVERIFY2(spans[i].first < spans[i + 1].first, qPrintable(QString::number(i)));
                QVERIFY2(spans[i].second <= spans[i + 1].first, qPrintable(QString::number(i)));
            }
        }
    }

private slots:
    void formatsWithoutLeadingOrTrailingZeros_data()
    {
        QTest::addColumn<long long>("centiseconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("half") << 50LL << u".5"_s;
        QTest::newRow("two decimals") << 243LL << u"2.43"_s;
        QTest::newRow("whole") << 1200LL << u"12"_s;
        QTest::newRow("one decimal") << 1210LL << u"12.1"_s;
        QTest::newRow("hundredths only") << 5LL << u".05"_s;
        QTest::newRow("zero tenth") << 101LL << u"1.01"_s;
        QTest::newRow("long lesson") << 10931LL << u"109.31"_s;
        QTest::newRow("zero") << 0LL << u"0"_s;
    }

    void formatsWithoutLeadingOrTrailingZeros()
    {
        QFETCH(long long, centiseconds);
        QFETCH(QString, text);
        QCOMPARE(TimeText::format(centiseconds), text);
    }

    // Aligned times are stored to the nearest hundredth.
    void storesSecondsToTheNearestHundredth_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        const QList<std::pair<double, const char*>> rows = {
            {0, "0"},       {0.004, "0"},     {0.006, ".01"}, {0.5, ".5"},    {0.05, ".05"},
            {2.43, "2.43"}, {2.434, "2.43"},  {12, "12"},     {12.1, "12.1"}, {12.999, "13"},
            {59.995, "60"}, {605.2, "605.2"}, {-1, "0"},      {1.999, "2"}};
        for (const auto& [seconds, text] : rows) {
            QTest::addRow("%g", seconds) << seconds << QString::fromLatin1(text);
        }
    }

    void storesSecondsToTheNearestHundredth()
    {
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QCOMPARE(TimeText::fromSeconds(seconds), text);
        QCOMPARE(TimeText::seconds(text), std::round(std::max(seconds, 0.0) * 100) / 100);
    }

    void roundsOutwardsSoNoSpeechIsCut()
    {
        const auto rounded = TimeText::round({{0.504, 1.341}, {2.43, 3.0}, {3.999, 4.2001}});
        const std::vector<TimeText::CentiSpan> expected{{50, 135}, {243, 300}, {399, 421}};
        QCOMPARE(rounded, expected);
    }

    void keepsOrderWhenRoundingCollides()
    {
        // Spans closer together than a hundredth, and a sentence without length.
        const auto rounded = TimeText::round(
            {{1.001, 1.002}, {1.003, 1.004}, {1.004, 1.004}, {1.2, 1.5}, {1.49, 1.7}});
        const std::vector<TimeText::CentiSpan> expected{
            {100, 101}, {101, 102}, {102, 103}, {120, 149}, {149, 170}};
        QCOMPARE(rounded, expected);
        verifyOrder(rounded);
    }

    void keepsOrderForAnySpans()
    {
        QRandomGenerator random(20240607);
        for (int round = 0; round < 200; ++round) {
            std::vector<TimeText::Span> spans;
            double at = random.bounded(0.05);
            const int count = 1 + int(random.bounded(30));
            for (int i = 0; i < count; ++i) {
                const double length = random.bounded(0.03);
                spans.emplace_back(at, at + length);
                // Gaps from none to a little overlap, the hard cases for rounding.
                at += length + random.bounded(0.04) - 0.01;
                at = std::max(at, spans.back().first);
            }
            verifyOrder(TimeText::round(spans));
            if (QTest::currentTestFailed())
                return;
        }
    }
};

QTEST_GUILESS_MAIN(TestTimeText)
#include "tst_timetext.moc"
