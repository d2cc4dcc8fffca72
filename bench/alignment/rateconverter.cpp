#include "bench/alignment/rateconverter.h"

#include <cmath>
#include <numbers>
#include <numeric>

namespace {

// A little under the input's Nyquist frequency, so the images above it stay out.
constexpr double cutoff = 0.92;

double windowedSinc(double distance)
{
    const double half = RateConverter::halfLength;
    if (std::abs(distance) >= half)
        return 0;
    const double pi = std::numbers::pi;
    const double window =
        0.42 + 0.5 * std::cos(pi * distance / half) + 0.08 * std::cos(2 * pi * distance / half);
    const double x = pi * cutoff * distance;
    return cutoff * (x == 0 ? 1 : std::sin(x) / x) * window;
}

} // namespace

RateConverter::RateConverter(int inputRate, int outputRate)
{
    const long common = std::gcd(long(inputRate), long(outputRate));
    m_step = inputRate / common;
    m_phases = outputRate / common;
    m_taps.resize(size_t(m_phases * 2 * halfLength));
    for (long phase = 0; phase < m_phases; ++phase) {
        const double fraction = double(phase) / double(m_phases);
        for (long k = 0; k < 2 * halfLength; ++k) {
            // Tap k weighs input sample floor(x) - halfLength + 1 + k.
            const double distance = fraction - double(k - halfLength + 1);
            m_taps[size_t(phase * 2 * halfLength + k)] = float(windowedSinc(distance));
        }
    }
}

std::vector<float> RateConverter::convert(const std::vector<float>& input) const
{
    const auto inputFrames = long(input.size());
    const long outputFrames = inputFrames * m_phases / m_step;
    std::vector<float> output(static_cast<size_t>(outputFrames));
    for (long n = 0; n < outputFrames; ++n) {
        const long position = n * m_step;
        const long whole = position / m_phases;
        const long phase = position % m_phases;
        const float* taps = &m_taps[size_t(phase * 2 * halfLength)];
        double sum = 0;
        for (long k = 0; k < 2 * halfLength; ++k) {
            const long at = whole - halfLength + 1 + k;
            if (at >= 0 && at < inputFrames)
                sum += double(taps[k]) * input[size_t(at)];
        }
        output[size_t(n)] = float(sum);
    }
    return output;
}
