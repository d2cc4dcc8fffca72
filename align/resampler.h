#pragma once

#include <cstdint>
#include <vector>

// Changes the sample rate of a mono stream with a windowed-sinc filter, fed in pieces so a long
// recording never has to sit in memory at its original rate.
class Resampler
{
public:
    Resampler(int inputRate, int outputRate);

    // Appends to `out` every output sample the input so far determines.
    void push(const float* samples, std::size_t count, std::vector<float>* out);
    // Flushes the filter's tail: the input ends here.
    void finish(std::vector<float>* out);

private:
    void produce(std::vector<float>* out, std::int64_t inputEnd);

    std::int64_t m_inputRate;
    std::int64_t m_outputRate;
    int m_halfTaps = 0; // zero crossings each side, in input samples
    int m_phases = 0;   // filter table rows, one per fractional position
    std::vector<float> m_table;
    std::vector<float> m_history; // input from m_historyStart on
    std::int64_t m_historyStart = 0;
    std::int64_t m_inputCount = 0;
    std::int64_t m_nextOutput = 0;
};
