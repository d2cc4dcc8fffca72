#pragma once

#include "align/alignmentconfidence.h"
#include "align/mfcc.h"
#include "align/referencespeech.h"
#include "align/sentencealigner.h"
#include "align/subsequencedtw.h"

#include <functional>
#include <vector>

// Other places where a text may have been read, in a recording that holds far more speech than
// the text.
//
// One warp over the whole recording picks the single cheapest place, and in a file of two
// lessons the clean one can come cheaper than the noisy one the text belongs to: its features,
// normalised over the whole file, are pulled off by the clean lesson's. The text is warped
// again in overlapping windows of the recording, each heard on its own, then on the stretch
// it was laid on there, and the aligner keeps the place it is surest of.
namespace CandidatePlaces {

// Recording frames [from, to).
struct Window
{
    int from = 0;
    int to = 0;
};

// How many windows are tried at most: each costs a warp of the text over the window.
inline constexpr int most = 12;
// How many of the places found in them, those where the text matches best, are warped again
// on their own stretch and judged: a text read elsewhere matches poorly everywhere, and each
// costs another warp, over a window's length when the text was spread across it.
inline constexpr int closerLooks = 3;

// Windows over a recording of `recordingFrames` frames, each long enough to hold a text of
// `referenceFrames` read at two thirds of the reference's pace, overlapping so that any
// reading of it lies wholly in one; at most `most`, and none around the whole of frames
// [foundFrom, foundTo), where the first warp laid it.
std::vector<Window> otherWindows(int foundFrom, int foundTo, int referenceFrames,
                                 int recordingFrames);

// The frames of `mapped` (spans in seconds, in order) and a few seconds either side, within a
// recording of `recordingFrames`: room for the pause search and for a warp that was a little
// off.
Window around(const QList<SentenceAligner::Span>& mapped, int recordingFrames);

// Warps the whole reference onto `window`, the features of a stretch of the recording heard
// alone: each sentence's span, in seconds from the stretch's start, into `mapped`. False when
// cancelled.
bool warpIn(const Mfcc::Features& reference,
            const std::vector<ReferenceSpeech::Sentence>& sentences, const Mfcc::Features& window,
            QList<SentenceAligner::Span>* mapped, const std::function<bool(double)>& progress,
            double coarseCells = SubsequenceDtw::maxCoarseCells);

// The first pass of a window's rough warp may be coarser than the whole recording's: the warp
// only has to show where the text matches best, and the windows cost most of the time a text
// read elsewhere takes (a quarter of the cells: two frames to one).
inline constexpr double roughCells = SubsequenceDtw::maxCoarseCells / 4;

// The mean over the sentences of how well each matches its span in `mapped` (seconds from the
// start of `window`), forwards against backwards (AlignmentConfidence::matchRatio: about 0.8
// where it was read, near 1 elsewhere).
double roughMatch(const Mfcc::Features& reference,
                  const std::vector<ReferenceSpeech::Sentence>& sentences,
                  const Mfcc::Features& window, const QList<SentenceAligner::Span>& mapped);

// Which of the places whose rough matches are `matches` to look at closer: at most
// closerLooks, the best (lowest) first, the earlier first among equals.
std::vector<std::size_t> bestMatches(const std::vector<double>& matches);

// A place this sure of the text and of its sentences on average is where the text was read:
// no other place is looked for. Another lesson's text, at the place that suits it best, comes
// out near 0.8 on both at most.
inline constexpr double sureText = 0.95;
inline constexpr double sureSentences = 0.88;

// Whether a placement judged `textConfidence` for the whole text and `confidence` for each
// sentence needs no other place tried.
bool clearlySure(double textConfidence, const QList<double>& confidence);

// Lets `look` place a copy of `placement` (anything with `judged.textConfidence`) anew, only
// when the text was taken to be the recording's: another text's sentences, warped again, can
// find speech that suits them a little better and pass for read. Nor may the new placement
// refuse a text the old one kept; it replaces `placement` only when the text stays kept. False
// when `look` was cancelled.
template <typename Placement, typename Look> bool secondLook(Placement* placement, const Look& look)
{
    if (placement->judged.textConfidence < AlignmentConfidence::refuseBelow)
        return true;
    Placement again = *placement;
    if (!look(&again))
        return false;
    if (again.judged.textConfidence >= AlignmentConfidence::refuseBelow)
        *placement = std::move(again);
    return true;
}

} // namespace CandidatePlaces
