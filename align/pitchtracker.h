#pragma once

#include <span>
#include <vector>

// The voice's pitch over time, by autocorrelation: enough to see a sentence's melody rise and
// fall, not a phonetician's tool.
namespace PitchTracker {

constexpr double stepSeconds = 0.01;
constexpr double lowestHz = 70;
constexpr double highestHz = 450;

// One value every stepSeconds of mono samples: the pitch in Hz, or 0 where the sound is quiet
// or has no clear period (unvoiced sounds, silence, noise).
std::vector<float> track(std::span<const float> samples, int sampleRate);

} // namespace PitchTracker
