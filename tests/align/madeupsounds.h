#pragma once

#include "align/mfcc.h"

#include <cstdlib>
#include <vector>

// Features for the warp tests, made up rather than heard, so each test says exactly which
// sound sits where.
namespace MadeUpSounds {

// One sound: one cepstrum raised (lowered for sounds under 0) and the voicing that marks
// speech; 0 is a pause.
inline void append(Mfcc::Features* features, int sound, int frames)
{
    for (int f = 0; f < frames; ++f) {
        std::vector<float> frame(Mfcc::dims, 0.0f);
        if (sound != 0) {
            frame[std::size_t(std::abs(sound) % (2 * Mfcc::cepstra))] = sound > 0 ? 3 : -3;
            frame[Mfcc::dims - 1] = Mfcc::voicingWeight;
        }
        features->values.insert(features->values.end(), frame.begin(), frame.end());
        ++features->frames;
    }
}

} // namespace MadeUpSounds
