#pragma once

#include "bench/alignment/contender.h"
#include "bench/alignment/peakmemory.h"

#include <QList>
#include <QString>

struct RunTotals
{
    int lessons = 0;
    int sentences = 0;
    int noisyLessons = 0;
    int madeLessons = 0;
    double audioSeconds = 0;
    double decodeSeconds = 0;
    double startSeconds = 0; // the run's first alignment, warm-up included
    double startAudioSeconds = 0;
    bool quick = false;
    bool memory = false;
    QString cacheDir;
    QString loadAverage; // of the machine at the end of the run, where the system tells it
};

// The benchmark's table: the contenders side by side, ours against both baselines and against
// its targets, where the failures gather, and the peak memory.
class AlignmentReport
{
public:
    // `contenders` are (a), (b) and ours, in that order.
    static void print(const RunTotals& totals, const QList<Contender>& contenders,
                      const PeakMemory::Result& peak);
    // One corpus's lines of the table of every corpus: for a swapped corpus only how often
    // each contender refused the text.
    static void printCorpus(const QString& name, bool swapped, double audioSeconds,
                            const QList<Contender>& contenders);
};
