#pragma once

#include "align/sentencealigner.h"
#include "bench/alignment/corpuslesson.h"

#include <QList>
#include <vector>

// How well found sentence spans match the truth, over a whole corpus.
//
// Every start and end counts as one boundary error. A sentence is clean when its clip holds
// all of its speech, starts at most `slack` before the speech and ends at most `slack` after
// it, and holds none of any other speech (a neighbour, the announcement, the exercise).
class BoundaryScore
{
public:
    // `confidence`, when given, is one per found span: a sentence under
    // SentenceAligner::unsureBelow counts as flagged for the learner to check.
    void add(const CorpusLesson& lesson, const QList<SentenceAligner::Span>& found,
             const QList<double>& confidence = {});

    int sentences() const { return m_sentences; }
    int clean() const { return m_clean; }
    double cleanShare() const { return m_sentences > 0 ? double(m_clean) / m_sentences : 0; }
    // Boundary error in milliseconds at quantile q (0..1).
    double errorMs(double q) const;
    double worstMs() const;

    // Why sentences were not clean; one sentence may have several reasons.
    int speechCut = 0;
    int tooEarly = 0;
    int tooLate = 0;
    int foreignSpeech = 0;
    int unaligned = 0; // no span at all: the aligner gave up or returned too few
    // Sentences flagged as unsure, clean and not; a refused text counts as flagged throughout,
    // since the learner is told.
    int flaggedClean = 0;
    int flaggedUnclean = 0;
    int unclean() const { return m_sentences - m_clean; }

    static constexpr double slack = 0.300;
    // The truth is measured in 5 ms frames; a boundary within one frame of speech is on it.
    static constexpr double tolerance = 0.005;

private:
    int m_sentences = 0;
    int m_clean = 0;
    std::vector<double> m_errors;
};
