#pragma once

#include "bench/alignment/contender.h"
#include "bench/alignment/corpuslesson.h"

#include <QList>
#include <QString>
#include <vector>

// Running the contenders over one corpus's recordings: each recording decoded once, checked
// against its truth, and every contender's result scored, timed and checked against the
// aligner's contract.

// What the whole run gathers over every corpus, for the checks that the measurement itself is
// sound.
struct RunChecks
{
    double decodeSeconds = 0;
    std::vector<double> truthDisagreements;
    long decoderShiftFrames = 0;
    BoundaryScore perfect;
    int progressFaults = 0;
};

struct Corpus
{
    QString name;
    QList<CorpusLesson> lessons;
    bool swapped = false; // every text belongs to another recording: all must be refused
    QList<Contender> contenders;
    double audioSeconds = 0;
    int sentences = 0;
    int noisyLessons = 0;
};

namespace CorpusRun {

// The split by length and the aligner with and without its search for pauses; for a swapped
// corpus the aligner's refusals are expected and not reported.
QList<Contender> makeContenders(RunChecks* checks, bool swapped);

// Every contender over every recording of `corpus`; false when a recording cannot be read or
// does not sound as its truth was measured on.
bool run(Corpus* corpus, RunChecks* checks, bool verbose, bool showSpans);

} // namespace CorpusRun
