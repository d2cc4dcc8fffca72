#pragma once

#include "align/sentencealigner.h"

#include <functional>
#include <vector>

class PauseFinder;

// Where the warping path's boundaries go in the recording: into the pause the speaker made
// near each, then onto the speech's own onset and offset.
namespace PausePlacement {

using Span = SentenceAligner::Span;

// Where each sentence's speech begins and ends by the pauses the speaker made nearest the
// boundaries the path maps (`edges`), and how far each boundary may move from there: to the
// middle of the pause (`limits`). `paused` tells for each boundary, the first sentence's start
// and the last one's end among them, whether a pause was found there.
void findPauses(const QList<Span>& mapped, const PauseFinder& pauses, QList<Span>* edges,
                QList<Span>* limits, std::vector<bool>* paused);

// Every span forward in time, inside the recording, none overlapping the next.
void tidy(QList<Span>* spans, double duration);

// Moves each boundary of `spans` into the speaker's pause near it and onto the speech's own
// onset and offset, a stretch of the recording at a time under that stretch's own noise;
// `paused` tells for each boundary whether a pause was found there. False when cancelled.
bool moveIntoPauses(const std::vector<float>& samples, QList<Span>* spans,
                    std::vector<bool>* paused, const std::function<bool(double)>& progress);

} // namespace PausePlacement
