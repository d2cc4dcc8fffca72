#pragma once

#include "align/sentencealigner.h"

#include <QList>
#include <QString>
#include <random>
#include <vector>

// White or pink noise under a whole recording, at a given ratio to the speech's power.
class BackgroundNoise
{
public:
    // `speech` says where the speech is, to measure its power; `colour` is "white" or "pink".
    static void add(std::vector<float>* samples, int sampleRate,
                    const QList<SentenceAligner::Span>& speech, const QString& colour,
                    double snrDecibels, std::mt19937& random);
};
