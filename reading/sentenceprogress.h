#pragma once

#include <QString>

// Where the learner is: which sentence of the lesson, which play of its repeats, and whether
// the silence now sounding is the learner's turn to say the sentence along.
struct SentenceProgress
{
    int sentence = -1; // 0-based; outside the lesson nothing is said
    int count = 0;
    int play = 0;  // 1-based while the sentence repeats, else 0
    int plays = 1; // the plays chosen; PracticeSettings::untilStopped for no end
    bool learnersTurn = false;

    // "第 5/14 句", then "第 2/3 遍" while it repeats and "该你说了" in the gap after a play.
    QString text() const;
};
