#pragma once

#include <vector>

// Where sound rises above the background, found by short-time energy. Used for the truth (each
// sentence rendered alone, with digital silence around it) and for the naive baseline (a whole
// recording, perhaps with noise under it).
class EnergySpan
{
public:
    double start = 0; // seconds
    double end = 0;

    bool found() const { return end > start; }

    enum class Background {
        Silent, // only sound near the loudest counts: a render alone, a clean recording
        Noisy   // also rise well above the quietest tenth of the recording
    };
    static EnergySpan measure(const std::vector<float>& samples, int sampleRate,
                              Background background = Background::Silent);

    // The resolution of the measured times.
    static constexpr double frameSeconds = 0.005;
};
