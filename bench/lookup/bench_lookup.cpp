// bench_lookup: 10,000 lookups in the carried dictionary (direct hits, inflected forms and
// misses), once with the in-memory index and once the plain way: read the whole file for
// every lookup, then search the text linearly and case-insensitively for the word and each
// base form. Prints the median and worst time per lookup and the ratio of the medians.
//
//   bench_lookup [--dictionary PATH] [--lookups N]

#include "dictionary.h"
#include "wordlookup.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using Clock = std::chrono::steady_clock;

LookupResult plainLookup(const QString& path, const QString& word)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    const qsizetype cr = bytes.indexOf('\r');
    QStringDecoder decoder("GBK");
    const QString text = decoder.decode(QByteArrayView(bytes).first(cr < 0 ? bytes.size() : cr));

    const QString w = WordLookup::trimBlanks(word).toString();
    const auto search = [&](const QString& candidate) {
        return text.indexOf(u'$' + candidate + u'[', 0, Qt::CaseInsensitive);
    };
    qsizetype dollar = search(w);
    int rule = 0;
    for (int r = 1; dollar < 0 && r <= WordLookup::ruleCount; ++r) {
        const std::optional<QString> candidate = WordLookup::ruleCandidate(w, r);
        if (!candidate)
            continue;
        dollar = search(*candidate);
        rule = r;
    }
    LookupResult result = WordLookup::entryAt(text, dollar);
    if (result.found)
        result.rule = rule;
    return result;
}

QStringList makeWorkload(const Dictionary& dictionary, int count)
{
    QStringList headwords;
    for (const QStringView entry : QStringView(dictionary.text()).split(u'$')) {
        const qsizetype open = entry.indexOf(u'[');
        if (open > 1 && !entry.first(open).contains(u' '))
            headwords.append(entry.first(open).toString());
    }
    QRandomGenerator random(4711);
    const auto pick = [&] { return headwords[random.bounded(int(headwords.size()))]; };
    static const QStringList endings = {u"s"_s,   u"es"_s, u"ed"_s,  u"d"_s,
                                        u"ing"_s, u"er"_s, u"est"_s, u"ies"_s};
    QStringList words;
    for (int i = 0; i < count; ++i) {
        switch (i % 10) {
        case 0:
        case 1:
        case 2:
        case 3: // direct hits, some in other case
            words.append(i % 3 == 0 ? pick().toUpper() : pick());
            break;
        case 4:
        case 5:
        case 6: // inflected forms
            words.append(pick() + endings[random.bounded(int(endings.size()))]);
            break;
        default: { // misses
            QString miss;
            const int length = 4 + random.bounded(8);
            for (int k = 0; k < length; ++k)
                miss += QChar(u'a' + random.bounded(26));
            words.append(miss + u"qx"_s);
        }
        }
    }
    return words;
}

struct Timing
{
    double median = 0;
    double worst = 0;
};

Timing measure(const QStringList& words, const std::function<LookupResult(const QString&)>& run,
               std::vector<LookupResult>& results)
{
    std::vector<double> micros;
    micros.reserve(words.size());
    results.clear();
    for (const QString& word : words) {
        const auto start = Clock::now();
        LookupResult result = run(word);
        const auto end = Clock::now();
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        results.push_back(std::move(result));
    }
    std::sort(micros.begin(), micros.end());
    return {micros[micros.size() / 2], micros.back()};
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption dictionaryOption(u"dictionary"_s, u"The dictionary file."_s, u"path"_s,
                                              QStringLiteral(ORLUNE_DICTIONARY_FILE));
    const QCommandLineOption lookupsOption(u"lookups"_s, u"Number of lookups."_s, u"n"_s,
                                           u"10000"_s);
    parser.addOption(dictionaryOption);
    parser.addOption(lookupsOption);
    parser.process(app);
    const QString path = parser.value(dictionaryOption);
    const int count = std::max(1, parser.value(lookupsOption).toInt());

    const auto loadStart = Clock::now();
    const Dictionary dictionary = Dictionary::fromFile(path);
    const double loadMs =
        std::chrono::duration<double, std::milli>(Clock::now() - loadStart).count();
    if (dictionary.isEmpty()) {
        std::fprintf(stderr, "bench_lookup: cannot read %s\n", qPrintable(path));
        return 2;
    }
    const QStringList words = makeWorkload(dictionary, count);

    std::vector<LookupResult> indexed, plain;
    measure(
        words, [&](const QString& w) { return WordLookup::lookup(dictionary, w); }, indexed);
    const Timing ours = measure(
        words, [&](const QString& w) { return WordLookup::lookup(dictionary, w); }, indexed);
    const Timing baseline = measure(
        words, [&](const QString& w) { return plainLookup(path, w); }, plain);

    int found = 0, byRule = 0, differ = 0;
    for (size_t i = 0; i < indexed.size(); ++i) {
        found += indexed[i].found;
        byRule += indexed[i].rule > 0;
        differ += indexed[i].headword != plain[i].headword || indexed[i].rule != plain[i].rule ||
                  indexed[i].meaning != plain[i].meaning;
    }

    const double ratio = baseline.median / ours.median;
    std::printf("dictionary: %lld headwords, loaded and indexed once in %.1f ms\n",
                static_cast<long long>(dictionary.headwordCount()), loadMs);
    std::printf("workload: %d lookups, %d found (%d through an inflection rule), %d misses\n",
                count, found, byRule, count - found);
    std::printf("%-28s %12s %12s\n", "lookup", "median µs", "worst µs");
    std::printf("%-28s %12.2f %12.1f\n", "in-memory index", ours.median, ours.worst);
    std::printf("%-28s %12.2f %12.1f\n", "read file + linear search", baseline.median,
                baseline.worst);
    std::printf("ratio (baseline / index, median): %.0fx\n", ratio);
    std::printf("results that differ: %d\n", differ);
    const bool met = ours.median < 20.0 && ratio >= 100.0;
    std::printf("target (median < 20 µs, >= 100x): %s\n", met ? "met" : "NOT met");
    return differ == 0 && met ? 0 : 1;
}
