#include "align/resampler.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

namespace {

// Zero crossings of the sinc kept on each side: enough for speech features, where the alias
// left beyond 16 taps lies far below any recording's noise floor.
constexpr int zeroCrossings = 16;
constexpr int maxPhases = 1024;

double besselI0(double x)
{
    double sum = 1, term = 1;
    for (int k = 1; k < 30; ++k) {
        term *= (x / (2 * k)) * (x / (2 * k));
        sum += term;
    }
    return sum;
}

} // namespace

Resampler::Resampler(int inputRate, int outputRate)
{
    const std::int64_t divisor = std::gcd(inputRate, outputRate);
    m_inputRate = inputRate / divisor;
    m_outputRate = outputRate / divisor;
    // Below the input rate the cutoff moves down to the output's Nyquist frequency, and the
    // filter widens by as much.
    const double cutoff = std::min(1.0, double(m_outputRate) / double(m_inputRate)) * 0.95;
    m_halfTaps = int(std::ceil(zeroCrossings / cutoff));
    m_phases = int(std::min<std::int64_t>(m_outputRate, maxPhases));
    const int taps = 2 * m_halfTaps;
    constexpr double beta = 8.0;
    m_table.resize(std::size_t(m_phases) * std::size_t(taps));
    for (int p = 0; p < m_phases; ++p) {
        const double fraction = double(p) / m_phases;
        double sum = 0;
        float* row = m_table.data() + std::size_t(p) * std::size_t(taps);
        for (int k = 0; k < taps; ++k) {
            // Tap k weighs input sample floor(t) - halfTaps + 1 + k.
            const double x = double(k - m_halfTaps + 1) - fraction;
            const double arg = cutoff * x * std::numbers::pi;
            const double sinc = std::abs(x) < 1e-9 ? 1.0 : std::sin(arg) / arg;
            const double r = x / (m_halfTaps + 1);
            const double window = std::abs(r) >= 1 ? 0 : besselI0(beta * std::sqrt(1 - r * r));
            row[k] = float(sinc * window);
            sum += row[k];
        }
        for (int k = 0; k < taps; ++k)
            row[k] = float(row[k] / sum);
    }
    // The first output sample is centred on input sample 0: pretend silence came before it.
    m_history.assign(std::size_t(m_halfTaps), 0.0f);
    m_historyStart = -m_halfTaps;
}

void Resampler::push(const float* samples, std::size_t count, std::vector<float>* out)
{
    if (m_inputRate == m_outputRate) {
        out->insert(out->end(), samples, samples + count);
        return;
    }
    m_history.insert(m_history.end(), samples, samples + count);
    m_inputCount += std::int64_t(count);
    produce(out, m_inputCount);
}

void Resampler::finish(std::vector<float>* out)
{
    if (m_inputRate == m_outputRate)
        return;
    const std::int64_t end = m_inputCount;
    m_history.insert(m_history.end(), std::size_t(m_halfTaps) + 1, 0.0f);
    produce(out, end + m_halfTaps + 1);
    // Outputs past the last input sample's time would be the filter ringing into silence.
    const std::int64_t outputs = (end * m_outputRate + m_inputRate - 1) / m_inputRate;
    if (m_nextOutput > outputs)
        out->resize(out->size() - std::size_t(m_nextOutput - outputs));
}

void Resampler::produce(std::vector<float>* out, std::int64_t inputEnd)
{
    const int taps = 2 * m_halfTaps;
    for (;;) {
        const std::int64_t position = m_nextOutput * m_inputRate;
        const std::int64_t whole = position / m_outputRate;
        const std::int64_t first = whole - m_halfTaps + 1;
        if (first + taps > inputEnd)
            break;
        const std::int64_t remainder = position % m_outputRate;
        const int phase = int(remainder * m_phases / m_outputRate);
        const float* row = m_table.data() + std::size_t(phase) * std::size_t(taps);
        const float* in = m_history.data() + (first - m_historyStart);
        float sum = 0;
        for (int k = 0; k < taps; ++k)
            sum += row[k] * in[k];
        out->push_back(sum);
        ++m_nextOutput;
    }
    // Keep only what the next output sample still reaches back to.
    const std::int64_t keepFrom = (m_nextOutput * m_inputRate) / m_outputRate - m_halfTaps + 1;
    if (keepFrom - m_historyStart > 65536) {
        m_history.erase(m_history.begin(), m_history.begin() + (keepFrom - m_historyStart));
        m_historyStart = keepFrom;
    }
}
