#pragma once

#include "tools/course-builder/upsampler.h"

#include <QString>
#include <vector>

// Speaks one sentence with eSpeak NG and hands back its speech alone: 44100 Hz mono samples
// in [-1, 1], leading and trailing silence cut off. eSpeak keeps global state, so the engine is
// set up once per process and every instance shares it.
class SpeechSynthesiser
{
public:
    SpeechSynthesiser();

    std::vector<float> speak(const QString& sentence);

    // Identifies everything that shapes the samples, for the cache key.
    static QString settings();

    static constexpr int sampleRate = 44100;

private:
    Upsampler m_upsampler;
};
