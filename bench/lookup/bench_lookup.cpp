// bench_lookup: 10,000 lookups in the carried dictionary (direct hits, inflected forms and
// misses), once with the in-memory index and once the plain way: read the whole file for
// every lookup, then search the text linearly and case-insensitively for the word and each
// base form. Prints the median and worst time per lookup and the ratio of the medians, and
// how long loading and indexing the file takes and how much heap the loaded dictionary holds.
// Given an earlier dictionary file as the baseline, it loads both in turn and checks that
// the dictionary takes at most 1.5 times the baseline's load time and memory.
//
//   bench_lookup [--dictionary PATH] [--baseline-dictionary PATH] [--lookups N]

#include "lookup/dictionary.h"
#include "lookup/wordlookup.h"

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
#if defined(__GLIBC__)
#include <malloc.h>
#endif

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

// Heap bytes in use, where the C library tells (glibc; a sanitizer's allocator tells 0).
qint64 heapInUse()
{
#if defined(__GLIBC__)
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
#else
    return -1;
#endif
}

struct Load
{
    double milliseconds = 0;
    qint64 heapBytes = -1;
};

// One load: reading, decoding and indexing the file, and the heap the result keeps (the
// file's bytes are freed by then).
Load loadOnce(const QString& path)
{
    const qint64 heapBefore = heapInUse();
    const auto start = Clock::now();
    const Dictionary dictionary = Dictionary::fromFile(path);
    Load load;
    load.milliseconds = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const qint64 held = heapInUse() - heapBefore;
    if (heapBefore >= 0 && held > 0)
        load.heapBytes = held;
    return load;
}

// Loads each file `runs` times, taking turns so that both see the same cache and clock
// state; the median time and the heap of each.
std::vector<Load> measureLoads(const QStringList& paths, int runs)
{
    std::vector<std::vector<double>> times(paths.size());
    std::vector<Load> loads(paths.size());
    for (int run = 0; run < runs; ++run) {
        for (qsizetype i = 0; i < paths.size(); ++i) {
            const Load load = loadOnce(paths[i]);
            times[i].push_back(load.milliseconds);
            loads[i].heapBytes = load.heapBytes;
        }
    }
    for (qsizetype i = 0; i < paths.size(); ++i) {
        std::sort(times[i].begin(), times[i].end());
        loads[i].milliseconds = times[i][times[i].size() / 2];
    }
    return loads;
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
    const QCommandLineOption baselineOption(
        u"baseline-dictionary"_s, u"An earlier dictionary file to compare loading with."_s,
        u"path"_s);
    const QCommandLineOption lookupsOption(u"lookups"_s, u"Number of lookups."_s, u"n"_s,
                                           u"10000"_s);
    parser.addOption(dictionaryOption);
    parser.addOption(baselineOption);
    parser.addOption(lookupsOption);
    parser.process(app);
    const QString path = parser.value(dictionaryOption);
    const QString baselinePath = parser.value(baselineOption);
    const int count = std::max(1, parser.value(lookupsOption).toInt());

    const Dictionary dictionary = Dictionary::fromFile(path);
    const bool baselineUnread =
        !baselinePath.isEmpty() && Dictionary::fromFile(baselinePath).isEmpty();
    if (dictionary.isEmpty() || baselineUnread) {
        std::fprintf(stderr, "bench_lookup: cannot read %s\n",
                     qPrintable(baselineUnread ? baselinePath : path));
        return 2;
    }
    const QStringList loadedFiles =
        baselinePath.isEmpty() ? QStringList{path} : QStringList{path, baselinePath};
    const std::vector<Load> loads = measureLoads(loadedFiles, 7);
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
    std::printf("dictionary: %lld headwords, loaded and indexed in %.1f ms (median of 7), "
                "holding %.2f MB of heap\n",
                static_cast<long long>(dictionary.headwordCount()), loads[0].milliseconds,
                double(loads[0].heapBytes) / 1e6);
    std::printf("workload: %d lookups, %d found (%d through an inflection rule), %d misses\n",
                count, found, byRule, count - found);
    std::printf("%-28s %12s %12s\n", "lookup", "median µs", "worst µs");
    std::printf("%-28s %12.2f %12.1f\n", "in-memory index", ours.median, ours.worst);
    std::printf("%-28s %12.2f %12.1f\n", "read file + linear search", baseline.median,
                baseline.worst);
    std::printf("ratio (baseline / index, median): %.0fx\n", ratio);
    std::printf("results that differ: %d\n", differ);
    bool met = ours.median < 20.0 && ratio >= 100.0;
    std::printf("target (median < 20 µs, >= 100x): %s\n", met ? "met" : "NOT met");
    if (loads.size() > 1) {
        const double timeRatio = loads[0].milliseconds / loads[1].milliseconds;
        const double heapRatio = double(loads[0].heapBytes) / double(loads[1].heapBytes);
        std::printf("baseline: %.1f ms, %.2f MB of heap; dictionary / baseline: load %.2fx, "
                    "heap %.2fx\n",
                    loads[1].milliseconds, double(loads[1].heapBytes) / 1e6, timeRatio, heapRatio);
        // Without heap figures (no glibc, or a sanitizer) only the time is checked.
        const bool heapKnown = loads[0].heapBytes > 0 && loads[1].heapBytes > 0;
        const bool loadMet = timeRatio <= 1.5 && (!heapKnown || heapRatio <= 1.5);
        std::printf("target (load time and heap <= 1.5x the baseline): %s\n",
                    loadMet ? "met" : "NOT met");
        met = met && loadMet;
    }
    return differ == 0 && met ? 0 : 1;
}
