#pragma once

#include "align/sentencealigner.h"

#include <QString>
#include <vector>

// A recording being assembled at 16 kHz. Every spoken piece is placed by its speech onset, so
// the pauses are silences between speech, whatever padding the synthesiser adds around it.
class LessonTape
{
public:
    // Speaks `text` so that its speech starts at `onsetAt` seconds; `placed` is where its
    // speech lies on the tape.
    bool speak(const QString& voice, double stretch, const QString& text, double onsetAt,
               SentenceAligner::Span* placed, QString* error);
    void extendTo(double seconds);

    std::vector<float> samples;

    // Every voice is brought to the same peak, well clear of clipping once noise is added.
    static constexpr double speechPeak = 0.6;
};
