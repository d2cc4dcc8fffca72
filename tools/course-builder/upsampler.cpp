#include "tools/course-builder/upsampler.h"

#include <cmath>
#include <numbers>

namespace {

// Zeroth-order modified Bessel function of the first kind, by its power series.
double besselI0(double x)
{
    double sum = 1.0;
    double term = 1.0;
    for (int k = 1; k < 50; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
    }
    return sum;
}

} // namespace

Upsampler::Upsampler()
{
    // The odd taps of h[k] = sinc(k / 2) * kaiser(k); the even ones are 0 except h[0] = 1.
    constexpr double beta = 8.0;
    constexpr double span = 2.0 * halfLength;
    double sum = 0.0;
    for (int j = 0; j < halfLength; ++j) {
        const double k = 2.0 * j + 1.0;
        const double ratio = k / span;
        const double window = besselI0(beta * std::sqrt(1.0 - ratio * ratio)) / besselI0(beta);
        m_taps[j] = std::sin(std::numbers::pi * k / 2.0) / (std::numbers::pi * k / 2.0) * window;
        sum += 2.0 * m_taps[j];
    }
    // Unity gain at 0 Hz for the interpolated phase, as the copied phase has.
    for (double& tap : m_taps)
        tap /= sum;
}

std::vector<float> Upsampler::upsample(const std::vector<short>& input) const
{
    // Zero padding on both sides keeps the inner loop free of bounds checks.
    std::vector<float> padded(input.size() + 2 * halfLength, 0.0f);
    for (size_t i = 0; i < input.size(); ++i)
        padded[i + halfLength] = float(input[i]) / 32768.0f;

    std::vector<float> output(2 * input.size());
    for (size_t i = 0; i < input.size(); ++i) {
        const float* here = padded.data() + i + halfLength;
        output[2 * i] = here[0];
        // Between input i and i + 1: tap j pairs input i - j with input i + 1 + j.
        double sum = 0.0;
        for (size_t j = 0; j < halfLength; ++j)
            sum += m_taps[j] * (double(here[-long(j)]) + double(here[j + 1]));
        output[2 * i + 1] = float(sum);
    }
    return output;
}
