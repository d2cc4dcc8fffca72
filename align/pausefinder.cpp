#include "align/pausefinder.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr double frameSeconds = 0.005;
// A speaker's pause between two sentences is longer than the closure of a stop consonant.
constexpr int minPauseFrames = 20;
// Shorter bursts are clicks, not speech.
constexpr int minSpeechFrames = 4;
// Soft fricatives lie some 35 to 40 dB under the loudest vowel.
constexpr float belowLoudestDb = 42;
// Speech must lift a frame this many times the noise's own wandering over the noise.
constexpr double overNoise = 5;
// Under the voice's formants: hum and the rumble of coloured noise.
constexpr double highPassHz = 100;

float levelPercentile(std::vector<float> values, double share)
{
    const auto at = values.begin() + std::ptrdiff_t(share * double(values.size() - 1));
    std::nth_element(values.begin(), at, values.end());
    return *at;
}

} // namespace

float PauseFinder::speechThreshold(const std::vector<float>& levelDb, float leastRangeDb)
{
    if (levelDb.empty())
        return std::numeric_limits<float>::infinity();
    const float loud = levelPercentile(levelDb, 0.995);
    const float floor = std::max(levelPercentile(levelDb, 0.1), loud - 90);
    if (loud - floor < leastRangeDb || loud < -70)
        return std::numeric_limits<float>::infinity();
    return std::max(loud - belowLoudestDb, floor + 8);
}

PauseFinder::Noise PauseFinder::noiseIn(const std::vector<double>& power)
{
    if (power.empty())
        return {};
    // The noise is what the quietest frames hold, and whatever lies near their level: taking a
    // fixed share would take speech too where the pauses are few.
    std::vector<double> sorted = power;
    const auto quietestAt = sorted.begin() + std::ptrdiff_t(0.05 * double(sorted.size() - 1));
    std::nth_element(sorted.begin(), quietestAt, sorted.end());
    double quietMean = 0;
    int quietCount = 0;
    for (double p : power) {
        if (p <= *quietestAt) {
            quietMean += p;
            ++quietCount;
        }
    }
    quietMean /= std::max(1, quietCount);
    double sum = 0, squares = 0;
    int count = 0;
    for (double p : power) {
        if (p <= 2 * quietMean + 1e-10) {
            sum += p;
            squares += p * p;
            ++count;
        }
    }
    Noise noise;
    noise.power = sum / std::max(1, count);
    noise.wander =
        std::sqrt(std::max(0.0, squares / std::max(1, count) - noise.power * noise.power));
    return noise;
}

PauseFinder::PauseFinder(const std::vector<float>& samples, int sampleRate)
{
    const auto frame = std::size_t(std::lround(frameSeconds * sampleRate));
    const std::size_t frames = samples.size() / frame;
    const int n = int(frames);
    m_speech.assign(frames, false);
    if (n == 0)
        return;
    std::vector<double> power(frames);
    // Two one-pole high-passes keep hum and rumble from filling the pauses.
    const double pole = std::exp(-2 * std::numbers::pi * highPassHz / sampleRate);
    double in = 0, mid = 0, midIn = 0, out = 0;
    for (std::size_t f = 0; f < frames; ++f) {
        double sum = 0;
        for (std::size_t i = f * frame; i < (f + 1) * frame; ++i) {
            mid = pole * (mid + samples[i] - in);
            in = samples[i];
            out = pole * (out + mid - midIn);
            midIn = mid;
            sum += out * out;
        }
        power[f] = sum / double(frame);
    }
    // Averaged over 20 ms, so noise flickers less than speech rises.
    std::vector<float> smoothDb(frames);
    std::vector<double> smooth(frames);
    for (std::size_t f = 0; f < frames; ++f) {
        const std::size_t from = f > 0 ? f - 1 : 0, to = std::min(frames, f + 3);
        double sum = 0;
        for (std::size_t k = from; k < to; ++k)
            sum += power[k];
        smooth[f] = sum / double(to - from);
        smoothDb[f] = float(10 * std::log10(smooth[f] + 1e-12));
    }
    const float loud = levelPercentile(smoothDb, 0.995);
    const float floor = std::max(levelPercentile(smoothDb, 0.1), loud - 90);
    if (loud - floor < minSpeechRangeDb || loud < -70)
        return;
    // The noise's own power, taken off every frame: speech a little under the noise still
    // lifts the sum measurably above it.
    const auto [noise, wander] = noiseIn(smooth);
    m_levelDb.resize(frames);
    for (std::size_t f = 0; f < frames; ++f)
        m_levelDb[f] = float(10 * std::log10(std::max(smooth[f] - noise, 0.0) + 1e-12));
    const float threshold =
        std::max(loud - belowLoudestDb, float(10 * std::log10(overNoise * wander + 1e-12)));
    m_maskingDb = std::max(0.0f, threshold - (loud - belowLoudestDb));
    for (int i = 0; i < n; ++i)
        m_speech[i] = m_levelDb[i] > threshold;
    auto runs = [&](auto visit) {
        for (int i = 0; i < n;) {
            int j = i;
            while (j < n && m_speech[j] == m_speech[i])
                ++j;
            visit(i, j);
            i = j;
        }
    };
    runs([&](int i, int j) {
        if (m_speech[i] && j - i < minSpeechFrames)
            std::fill(m_speech.begin() + i, m_speech.begin() + j, false);
    });
    m_speechFrames = int(std::count(m_speech.begin(), m_speech.end(), true));
    m_hasSpeech = m_speechFrames * frameSeconds >= 0.3;
    runs([&](int i, int j) {
        if (!m_speech[i] && (j - i >= minPauseFrames || i == 0 || j == n))
            m_pauses.push_back(Run{i, j - 1});
    });
}

double PauseFinder::speechSeconds() const
{
    return m_speechFrames * frameSeconds;
}

bool PauseFinder::speechAfter(double seconds) const
{
    const auto from = std::size_t(std::clamp(frameAt(seconds) + 1, 0, int(m_speech.size())));
    return std::find(m_speech.begin() + std::ptrdiff_t(from), m_speech.end(), true) !=
           m_speech.end();
}

int PauseFinder::frameAt(double seconds) const
{
    return int(std::floor(seconds / frameSeconds));
}

PauseFinder::Pause PauseFinder::toSeconds(const Run& run) const
{
    return Pause{run.first * frameSeconds, (run.last + 1) * frameSeconds};
}

std::optional<PauseFinder::Pause> PauseFinder::pauseNear(double nearStart, double nearEnd,
                                                         double from, double to) const
{
    std::optional<Pause> best;
    double bestOverlap = 0, bestDistance = 0;
    for (const Run& run : m_pauses) {
        // The recording's own edges are where speech begins and ends, not pauses between.
        if (run.first == 0 || run.last == int(m_speech.size()) - 1)
            continue;
        const Pause pause = toSeconds(run);
        if (pause.end <= from || pause.start >= to)
            continue;
        const double overlap = std::min(pause.end, nearEnd) - std::max(pause.start, nearStart);
        const double distance = std::max({0.0, pause.start - nearEnd, nearStart - pause.end});
        const bool better = !best || (overlap > 0 ? overlap > bestOverlap
                                                  : bestOverlap <= 0 && distance < bestDistance);
        if (better) {
            best = pause;
            bestOverlap = overlap;
            bestDistance = distance;
        }
    }
    return best;
}

std::optional<double> PauseFinder::speechEdgeNear(double seconds, double reach, bool onset) const
{
    std::vector<double> edges;
    for (const Run& run : m_pauses) {
        const int speech = onset ? run.last + 1 : run.first - 1;
        if (speech >= 0 && speech < int(m_speech.size()))
            edges.push_back(onset ? toSeconds(run).end : toSeconds(run).start);
    }
    if (!m_speech.empty() && m_speech.front() && onset)
        edges.push_back(0);
    if (!m_speech.empty() && m_speech.back() && !onset)
        edges.push_back(double(m_speech.size()) * frameSeconds);
    std::optional<double> best;
    for (double edge : edges) {
        if (std::abs(edge - seconds) <= reach &&
            (!best || std::abs(edge - seconds) < std::abs(*best - seconds)))
            best = edge;
    }
    return best;
}

double PauseFinder::quietestNear(double from, double to) const
{
    if (m_levelDb.empty())
        return from;
    // Over 30 ms, so one quiet frame inside a vowel does not win.
    constexpr int span = 6;
    const int last = int(m_levelDb.size()) - span;
    const int first = std::clamp(frameAt(from), 0, std::max(0, last));
    const int end = std::clamp(frameAt(to), first, std::max(0, last));
    int best = first;
    float bestSum = std::numeric_limits<float>::infinity();
    for (int i = first; i <= end; ++i) {
        float sum = 0;
        for (int k = 0; k < span && i + k < int(m_levelDb.size()); ++k)
            sum += m_levelDb[i + k];
        if (sum < bestSum) {
            bestSum = sum;
            best = i;
        }
    }
    return (best + span / 2.0) * frameSeconds;
}
