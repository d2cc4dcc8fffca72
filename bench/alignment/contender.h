#pragma once

#include "boundaryscore.h"
#include "sentencealigner.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <vector>

// One way of finding the sentences in a recording, and how it fared over the corpus.
struct Contender
{
    using Run =
        std::function<QList<SentenceAligner::Span>(const std::vector<float>&, const QStringList&)>;
    Contender(const char* name, Run method) : label(name), run(std::move(method)) {}

    const char* label;
    Run run;
    BoundaryScore score;
    // The same score split by what the recording was like, to see where failures gather.
    std::map<QString, BoundaryScore> byCondition;
    double seconds = 0;    // wall-clock time
    double cpuSeconds = 0; // processor time of all the process's threads
    int contractBreaches = 0;
};
