#pragma once

#include "align/mfcc.h"
#include "align/referencespeech.h"
#include "align/sentencealigner.h"

#include <functional>
#include <vector>

// A second look at the sentences the aligner is unsure of, between the sure ones around them.
//
// Over a whole long recording the warping path is found on coarse frames, and speech the text
// does not hold (an announcement, the next lesson's title) can pull the sentences after it
// onto it. Warped again alone, between the end of the sure sentence before and the start of
// the sure one after, the unsure sentences meet speech just after the sure one at the outer
// cost, as a text meets the announcement before it, and on frames as fine as a stretch that
// short allows (full resolution up to a minute or two).
namespace AnchoredRealign {

// Sentences [first, last), all unsure, with sure sentences (or the text's ends) either side.
struct Run
{
    int first = 0;
    int last = 0;
};

// The runs of sentences whose confidence is under `below`; none when every sentence is
// unsure, since there is then nothing to anchor them to.
std::vector<Run> unsureRuns(const QList<double>& confidence, double below);

// The recording's features over its frames [from, to), however they are heard.
using Hear = std::function<Mfcc::Features(int from, int to)>;

// `mapped`, the spans the first warp gave (window times, before any pause search), with the
// sentences of each run warped again onto the recording of `recordingFrames` frames between
// their anchors, as `hear` gives that stretch. A run whose recording between its anchors is
// too short for it is left as it was. False when cancelled.
bool realign(const Mfcc::Features& reference,
             const std::vector<ReferenceSpeech::Sentence>& sentences, int recordingFrames,
             const Hear& hear, const std::vector<Run>& runs, QList<SentenceAligner::Span>* mapped,
             const std::function<bool(double)>& progress);

} // namespace AnchoredRealign
