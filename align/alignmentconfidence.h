#pragma once

#include "align/mfcc.h"

#include <QList>
#include <vector>

// How sure the aligner may be of each sentence it placed, and whether the text was read in the
// recording at all. A sentence found where it was said matches its reference closely all along,
// lasts about as long as the reference says, and is parted from its neighbours by pauses; a
// text that belongs to another recording matches nowhere much better than chance.
namespace AlignmentConfidence {

// What the aligner saw of one sentence.
struct Evidence
{
    // matchRatio() of the sentence and the span it was given.
    double matchRatio = 1;
    // The found span's length over the reference sentence's, over the same for the whole text:
    // far from 1 when the span holds more or less than the sentence (a neighbour, half of it).
    double stretch = 1;
    // Whether the speaker paused at each end of it.
    bool pauseBefore = false;
    bool pauseAfter = false;
    // How many seconds longer the span is than its reference read at the pace of the sentences
    // around it (overlong()): a long sentence whose span reached into speech the text does not
    // hold matches as well as if it did not, and is stretched too little to show it.
    double overlong = 0;
    // How long the sentence's reference speech lasts: a phrase of a syllable or two played
    // backwards keeps most of its sounds in much the same places, so a short phrase found
    // where it was said may match hardly better forwards than backwards.
    double referenceSeconds = 10;
};

// 0..1; under SentenceAligner::unsureBelow the learner is asked to check the sentence.
double sentence(const Evidence& evidence);

// The mean of the sentences' confidences from `first` up to `last` (all when -1); 0 for none.
double mean(const QList<double>& confidence, int first = 0, int last = -1);

// Each sentence's match ratio eased by as much as the sentences around it match worse than a
// sentence surely placed: under strong noise every sentence, even one found where it was
// said, matches its reference poorly, and only one that matches worse than its neighbours
// stands out. The ratios in the text's order; for Evidence::matchRatio.
std::vector<double> againstNeighbours(const std::vector<double>& matchRatios);

// How many seconds longer each span is than its reference read at the pace of the sentences
// around it (the median of theirs, as in againstNeighbours()); negative where shorter. A
// recording that holds several lessons holds several voices and paces: the pace of the whole
// text would make a slow reader's every sentence overlong. `stretches` are each span's length
// over its reference's; for Evidence::overlong.
std::vector<double> overlong(const std::vector<double>& stretches,
                             const std::vector<double>& referenceSeconds);

// What the aligner saw of the whole text, one value a sentence in each list.
struct TextEvidence
{
    std::vector<double> matchRatios;
    // The span's length over its reference's (not the relative stretch of Evidence).
    std::vector<double> stretches;
    // neighbourRatio() of each sentence; empty for a text of one sentence.
    std::vector<double> neighbourRatios;
    // How long each sentence's reference speech lasts.
    std::vector<double> referenceSeconds;
    // The speech the recording holds over the speech of the whole reference.
    double recordingToText = 1;
    // sentence() of each; none when the sentences were not judged.
    QList<double> sentenceConfidence;
};

// 0..1 for the whole text: the sentences of a text that was read match well and keep to one
// pace; another text's are laid on speech whose lengths do not follow its own. In a recording
// far longer than the text, another text may find speech that fits its pace and matches it
// better forwards than backwards: there the sentences must also match their own spans better
// than their neighbours'. (Under strong noise even a text that was read matches its
// neighbours' spans about as well, so this is asked only where it is needed.) Another text
// that matches well enough as a whole still leaves many of its sentences unsure: the text is
// trusted no more than its sentences are on average. Under `refuseBelow` the text is taken
// not to belong to the recording.
double text(const TextEvidence& evidence);

inline constexpr double refuseBelow = 0.5;
// How many times the text's speech a recording must hold for TextEvidence::neighbourRatios to
// count: below it they need not be measured. From twice on, the recording has room for another
// lesson read like this one (two lessons in a file, three, a book), and another lesson's text
// can match that one about as well as a whole as a noisy text matches its own.
inline constexpr double roomForAnother = 2;

// How well reference frames [firstFrame, lastFrame] match recording frames [from, to], against
// how well the same frames played backwards do: warping both onto the same stretch, the mean
// distance along the cheapest path forwards over that backwards. Speech played backwards has
// the voice, the loudness and the sounds of the sentence but not their order, so only the
// sentence that was really said there matches clearly better forwards: about 0.8 for it, near
// 1 for anything else.
double matchRatio(const Mfcc::Features& reference, int firstFrame, int lastFrame,
                  const Mfcc::Features& recording, int from, int to);

// How well reference frames [firstFrame, lastFrame] match recording frames [from, to], against
// how well they match [otherFrom, otherTo], where a neighbouring sentence was placed: the mean
// distances along the cheapest paths, the first over the second. A text read in the recording
// matches each sentence's own stretch clearly better than its neighbours'; another text,
// laid on speech that is not its own, matches its own stretch hardly better than the next.
double neighbourRatio(const Mfcc::Features& reference, int firstFrame, int lastFrame,
                      const Mfcc::Features& recording, int from, int to, int otherFrom,
                      int otherTo);

} // namespace AlignmentConfidence
