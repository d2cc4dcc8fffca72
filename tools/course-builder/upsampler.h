#pragma once

#include <array>
#include <vector>

// Doubles the sample rate (22050 Hz speech to 44100 Hz) with a Kaiser-windowed half-band
// sinc filter. The filter is zero-phase: input sample n lands on output sample 2n unchanged,
// so times measured on either side of it agree.
class Upsampler
{
public:
    Upsampler();

    std::vector<float> upsample(const std::vector<short>& input) const;

    static constexpr int inputRate = 22050;
    // Taps on each side of an interpolated sample.
    static constexpr int halfLength = 24;

private:
    std::array<double, halfLength> m_taps{};
};
