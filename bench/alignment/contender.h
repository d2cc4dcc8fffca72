#pragma once

#include "align/sentencealigner.h"
#include "bench/alignment/boundaryscore.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <vector>

// One way of finding the sentences in a recording, and how it fared over the corpus.
struct Contender
{
    // What a contender made of one recording: no spans when it refused the text.
    struct Found
    {
        QList<SentenceAligner::Span> spans;
        QList<double> confidence; // one per span, or none when it tells no confidence
        bool refused = false;
    };
    using Run = std::function<Found(const std::vector<float>&, const QStringList&)>;
    Contender(const char* name, Run method) : label(name), run(std::move(method)) {}

    const char* label;
    Run run;
    BoundaryScore score;
    // The same score split by what the recording was like, to see where failures gather.
    std::map<QString, BoundaryScore> byCondition;
    // The worst sentence of each of the lessons that went worst, to know where to look first.
    struct Miss
    {
        double errorMs = 0; // the larger of its start's and its end's
        QString lesson;
        qsizetype sentence = 0; // from 1
        SentenceAligner::Span truth;
        SentenceAligner::Span found;
    };
    std::vector<Miss> worst;
    static constexpr size_t worstKept = 5;

    void noteMisses(const QString& lesson, const QList<SentenceAligner::Span>& truth,
                    const QList<SentenceAligner::Span>& found)
    {
        Miss lessonWorst;
        for (qsizetype i = 0; i < truth.size() && found.size() == truth.size(); ++i) {
            const double error = std::max(std::abs(found[i].start - truth[i].start),
                                          std::abs(found[i].end - truth[i].end)) *
                                 1000;
            if (error > lessonWorst.errorMs)
                lessonWorst = {error, lesson, i + 1, truth[i], found[i]};
        }
        if (!lessonWorst.lesson.isEmpty())
            worst.push_back(lessonWorst);
        std::sort(worst.begin(), worst.end(),
                  [](const Miss& a, const Miss& b) { return a.errorMs > b.errorMs; });
        if (worst.size() > worstKept)
            worst.resize(worstKept);
    }

    int refused = 0; // recordings whose text it refused
    int recordings = 0;
    double seconds = 0;    // wall-clock time
    double cpuSeconds = 0; // processor time of all the process's threads
    int contractBreaches = 0;
};
