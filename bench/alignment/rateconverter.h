#pragma once

#include <vector>

// Raises the sample rate of 16 kHz speech to the rates lesson recordings come in (22050,
// 44100 Hz) with a Blackman-windowed sinc. The filter is symmetric: a sound at time t in
// the input is at time t in the output, so times measured on either side agree.
class RateConverter
{
public:
    RateConverter(int inputRate, int outputRate);

    std::vector<float> convert(const std::vector<float>& input) const;

    static constexpr int halfLength = 32; // input samples on each side of an output sample

private:
    long m_step = 1; // input advances m_step / m_phases samples per output sample
    long m_phases = 1;
    std::vector<float> m_taps; // m_phases rows of 2 * halfLength taps
};
