#pragma once

#include "align/candidateplaces.h"
#include "align/mfcc.h"
#include "align/referencespeech.h"
#include "align/sentencealigner.h"

#include <functional>
#include <vector>

// Laying the sentences where a warp mapped them, judging how sure that is, and looking for a
// surer place: elsewhere in a long recording, or again for the runs of unsure sentences.
namespace PlacementSearch {

// What each placement of the sentences is made from and judged against.
struct Material
{
    const std::vector<float>& samples;
    const Mfcc::Features& recording;
    const ReferenceSpeech& reference;
    double speechSeconds = 0;
    bool intoPauses = true;
};

// The spans a warp maps, the same moved into the pauses, the pauses at their ends and how sure
// the aligner is of them.
struct Placement
{
    QList<SentenceAligner::Span> mapped;
    QList<SentenceAligner::Span> spans;
    std::vector<bool> paused;
    SentenceAligner::Result judged;
    // Before any pause search or judging: how well the sentences match where the warp laid
    // them, forwards against backwards (AlignmentConfidence::matchRatio, lower is better).
    double roughMatch = 1;
};

// Places the sentences from `placement->mapped`: boundaries moved into the pauses (unless
// the material says not to), tidied and judged. False when cancelled.
bool place(const Material& material, const std::function<bool(double)>& progress,
           Placement* placement);

// The text warped alone in each of `windows`; where its sentences match best, warped again on
// the stretch it was laid on there, placed and judged as the first warp's place was; the
// surest place kept in `placement`. None is tried once a place is clearly sure, the first
// warp's included. False when cancelled.
bool tryOtherPlaces(const Material& whole, const std::vector<CandidatePlaces::Window>& windows,
                    const std::function<bool(double)>& progress, Placement* placement);

// Warps the runs of unsure sentences in `placement` again between the sure ones around them
// and keeps each run's new spans where its sentences come out surer. False when cancelled.
bool lookAgain(const Material& material, const std::function<bool(double)>& progress,
               Placement* placement);

} // namespace PlacementSearch
