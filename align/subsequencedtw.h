#pragma once

#include "align/mfcc.h"

#include <functional>
#include <vector>

// Dynamic time warping of a reference against a recording that may hold more than the
// reference: the match may start and end anywhere in the recording. Memory stays near linear:
// a coarse pass over averaged frames finds the path roughly, and each finer pass searches only
// a band around the path the coarser one found.
class SubsequenceDtw
{
public:
    struct Match
    {
        // For each reference frame, the first and the last recording frame the path pairs it with.
        std::vector<int> first;
        std::vector<int> last;
    };

    // Called with the share done; false stops the search.
    using Progress = std::function<bool(double done)>;

    // Whether the reference starts, or ends, between two sentences of a longer text whose
    // sentences either side were found: the recording's pauses before, or after, it are then
    // pauses between sentences, passed over at the cost of waiting in one (pauseShare). Its
    // speech there (an announcement, the next lesson's title) keeps the outer cost.
    // (No member initialisers: a nested aggregate's would not yet be seen by the default
    // argument below; `{}` leaves both false.)
    struct Within
    {
        bool start;
        bool end;
    };

    // Empty when stopped or when either side has no frames. At the reference frames in
    // `skipFrames` (the pauses between sentences) the path may pass over any stretch of the
    // recording at a flat cost per frame: speech the text does not hold (an announcement, an
    // exercise, the next lesson's title) is skipped there instead of being stretched over
    // the sentences around it.
    // `coarseCells` caps the first pass (see maxCoarseCells).
    static Match align(const Mfcc::Features& reference, const Mfcc::Features& recording,
                       const Progress& progress, const std::vector<int>& skipFrames = {},
                       Within within = {}, double coarseCells = maxCoarseCells);

    // What a skipped recording frame costs, as a share of the distance of two frames picked
    // at random: dearer than matching speech, cheaper than waiting on a pause through speech.
    static constexpr double skipShare = 0.25;
    // The same before the reference's first frame and after its last: far cheaper, since an
    // announcement before a text is usual, but not free, or a long recording's first lesson,
    // matched poorly under its noise, could be given up for a stretch further on.
    static constexpr double outerShare = 0.06;
    // What a pause in the recording costs at those frames, as a share of the same distance.
    // Readers pause far longer than the reference between phrases (a word list leaves time
    // to repeat each word), and in noise a pause lies far from the reference's quiet: were
    // waiting through it much dearer than the outer cost, a word list would be squeezed onto
    // its middle words and its first and last ones given up as speech before and after it.
    static constexpr double pauseShare = 0.12;

    // Most cells the first, unbanded pass may visit: it keeps only a few rows at a time.
    static constexpr double maxCoarseCells = 1.5e8;
};
