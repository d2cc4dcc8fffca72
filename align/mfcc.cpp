#include "align/mfcc.h"

#include "align/pausefinder.h"
#include "align/realfft.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <numbers>

namespace {

constexpr int fftSize = 512;
constexpr int bins = fftSize / 2 + 1;
constexpr int melBands = Mfcc::melBands;
constexpr double lowHz = 80;
constexpr double highHz = 7600;
// The speech band whose loudness tells speech from pause: below it hum, above it hiss.
constexpr double levelLowHz = 150;
constexpr double levelHighHz = 5000;
// A floor on each band's power, about -90 dBFS: digital silence and soft noise compare alike.
constexpr float powerFloor = 1e-9f;

double hzToMel(double hz)
{
    return 2595.0 * std::log10(1.0 + hz / 700.0);
}

double melToHz(double mel)
{
    return 700.0 * (std::pow(10.0, mel / 2595.0) - 1.0);
}

struct FilterBank
{
    // Triangular filters as (first bin, weights).
    std::array<int, melBands> first{};
    std::array<std::vector<float>, melBands> weights;
    std::array<std::array<float, melBands>, Mfcc::cepstra> dct{};

    FilterBank()
    {
        const double lowMel = hzToMel(lowHz), highMel = hzToMel(highHz);
        std::array<double, melBands + 2> edges{};
        for (int i = 0; i < melBands + 2; ++i)
            edges[i] = melToHz(lowMel + (highMel - lowMel) * i / (melBands + 1)) * fftSize /
                       Mfcc::sampleRate;
        for (int b = 0; b < melBands; ++b) {
            first[b] = int(std::ceil(edges[b]));
            for (int k = first[b]; k <= int(edges[b + 2]) && k < bins; ++k) {
                const double w = k < edges[b + 1]
                                     ? (k - edges[b]) / (edges[b + 1] - edges[b])
                                     : (edges[b + 2] - k) / (edges[b + 2] - edges[b + 1]);
                weights[b].push_back(float(std::max(0.0, w)));
            }
        }
        for (int c = 0; c < Mfcc::cepstra; ++c)
            for (int b = 0; b < melBands; ++b)
                dct[c][b] = float(std::cos(std::numbers::pi * c * (b + 0.5) / melBands));
    }
};

const FilterBank& filterBank()
{
    static const FilterBank bank;
    return bank;
}

float percentile(std::vector<float>& values, double share)
{
    const auto at = values.begin() + std::ptrdiff_t(share * double(values.size() - 1));
    std::nth_element(values.begin(), at, values.end());
    return *at;
}

// The stretches of a recording whose noise is judged apart, each from its own frames: a long
// recording may join lessons made in different rooms, and one floor for them all, or for a
// stretch and its neighbours, would hear the pauses of a noisy lesson beside a quiet one as
// speech. A recording of a lesson or two is judged whole.
struct Stretch
{
    int first = 0; // frames [first, last)
    int last = 0;
};

constexpr int stretchFrames = 3000; // 30 s
constexpr int wholeUpTo = 15000;    // 150 s

std::vector<Stretch> stretches(int frames)
{
    if (frames <= wholeUpTo)
        return {{0, frames}};
    std::vector<Stretch> out;
    for (int first = 0; first < frames; first += stretchFrames) {
        const int last = std::min(frames, first + stretchFrames);
        out.push_back({first, last});
    }
    return out;
}

// Each mel band's quiet floored as far under its speech as `bandRange` says, or as the
// noisiest stretch of the recording that holds speech allows when that is closer; the range
// kept into `features->bandRange`.
void floorBands(std::vector<float>* logMel, Mfcc::Features* features,
                const std::vector<float>& bandRange)
{
    const int frames = features->frames;
    const std::vector<Stretch> parts = stretches(frames);
    std::vector<bool> speaks(parts.size());
    for (std::size_t s = 0; s < parts.size(); ++s) {
        const std::vector<float> level(features->levelDb.begin() + parts[s].first,
                                       features->levelDb.begin() + parts[s].last);
        speaks[s] = parts.size() == 1 || std::isfinite(PauseFinder::speechThreshold(level));
    }
    features->bandRange.resize(Mfcc::melBands);
    std::vector<float> band, loud(parts.size());
    for (int b = 0; b < Mfcc::melBands; ++b) {
        float range = bandRange.empty() ? std::numeric_limits<float>::infinity() : bandRange[b];
        for (std::size_t s = 0; s < parts.size(); ++s) {
            band.clear();
            for (int i = parts[s].first; i < parts[s].last; ++i)
                band.push_back((*logMel)[std::size_t(i) * Mfcc::melBands + std::size_t(b)]);
            loud[s] = percentile(band, 0.95);
            if (speaks[s])
                range = std::min(range, loud[s] - percentile(band, 0.1));
        }
        if (!std::isfinite(range))
            range = 0;
        features->bandRange[b] = range;
        for (std::size_t s = 0; s < parts.size(); ++s) {
            for (int i = parts[s].first; i < parts[s].last; ++i) {
                float& v = (*logMel)[std::size_t(i) * Mfcc::melBands + std::size_t(b)];
                v = std::max(v, loud[s] - range);
            }
        }
    }
}

// Each coefficient to zero mean and unit variance: over the whole of a short recording, and
// over a minute either side of each frame in a long one, whose lessons may each have their
// own room and microphone.
void normalise(Mfcc::Features* features)
{
    const int n = features->frames;
    const int reach = n <= wholeUpTo ? n : stretchFrames;
    std::vector<double> sums(std::size_t(n) + 1), squares(std::size_t(n) + 1);
    for (int d = 0; d < 2 * Mfcc::cepstra; ++d) {
        for (int i = 0; i < n; ++i) {
            const double v = features->values[std::size_t(i) * Mfcc::dims + d];
            sums[std::size_t(i) + 1] = sums[std::size_t(i)] + v;
            squares[std::size_t(i) + 1] = squares[std::size_t(i)] + v * v;
        }
        for (int i = 0; i < n; ++i) {
            const auto from = std::size_t(std::max(0, i - reach));
            const auto to = std::size_t(std::min(n, i + reach + 1));
            const double count = double(to - from);
            const double mean = (sums[to] - sums[from]) / count;
            const double spread = (squares[to] - squares[from]) / count - mean * mean;
            float& v = features->values[std::size_t(i) * Mfcc::dims + d];
            v = float((v - mean) / std::sqrt(std::max(1e-12, spread)));
        }
    }
}

void addSlopes(Mfcc::Features* features)
{
    // Regression over two frames either side; the ends repeat their edge frame.
    const int n = features->frames;
    for (int i = 0; i < n; ++i) {
        float* out = features->values.data() + std::size_t(i) * Mfcc::dims + Mfcc::cepstra;
        for (int c = 0; c < Mfcc::cepstra; ++c) {
            float slope = 0;
            for (int k = 1; k <= 2; ++k) {
                const float after = features->frame(std::min(n - 1, i + k))[c];
                const float before = features->frame(std::max(0, i - k))[c];
                slope += float(k) * (after - before);
            }
            out[c] = slope / 10.0f;
        }
    }
}

// Words 10 to 15 dB over a loud hiss still stand clearly out of the pauses between them.
// Whether a recording holds speech at all is judged more strictly (PauseFinder): here a
// threshold given up on marks every frame a pause, and the warp then cannot tell a word of a
// noisy word list from the long pauses around it.
constexpr float voicingRangeDb = 10;

// Speech or pause, as a soft step 3 dB wide around the threshold.
void addVoicing(Mfcc::Features* features)
{
    for (const Stretch& part : stretches(features->frames)) {
        const std::vector<float> level(features->levelDb.begin() + part.first,
                                       features->levelDb.begin() + part.last);
        const float threshold = PauseFinder::speechThreshold(level, voicingRangeDb);
        for (int i = part.first; i < part.last; ++i) {
            const float above = (features->levelDb[i] - threshold) / 3.0f;
            features->values[std::size_t(i) * Mfcc::dims + Mfcc::dims - 1] =
                Mfcc::voicingWeight / (1.0f + std::exp(-above));
        }
    }
}

} // namespace

struct Mfcc::Fft
{
    RealFft transform{fftSize};
    std::array<float, window> hamming{};
};

Mfcc::Mfcc() : m_fft(std::make_unique<Fft>())
{
    for (int k = 0; k < window; ++k)
        m_fft->hamming[k] = float(0.54 - 0.46 * std::cos(2 * std::numbers::pi * k / (window - 1)));
}

Mfcc::~Mfcc() = default;

void Mfcc::push(const float* samples, std::size_t count)
{
    m_pending.insert(m_pending.end(), samples, samples + count);
    std::size_t at = 0;
    for (; at + window <= m_pending.size(); at += hop)
        analyse(m_pending.data() + at);
    m_pending.erase(m_pending.begin(), m_pending.begin() + std::ptrdiff_t(at));
}

Mfcc::Features Mfcc::finish(const std::vector<float>& bandRange)
{
    Features features = std::move(m_features);
    std::vector<float> logMel = std::move(m_logMel);
    m_features = {};
    m_logMel = {};
    m_pending.clear();
    m_previous = 0;
    const auto frames = std::size_t(features.frames);
    features.values.assign(frames * dims, 0.0f);
    if (frames > 0) {
        const FilterBank& bank = filterBank();
        floorBands(&logMel, &features, bandRange);
        for (std::size_t i = 0; i < frames; ++i) {
            float* cepstrum = features.values.data() + i * dims;
            for (int c = 0; c < cepstra; ++c) {
                float sum = 0;
                for (int b = 0; b < melBands; ++b)
                    sum += bank.dct[c][b] * logMel[i * melBands + std::size_t(b)];
                cepstrum[c] = sum;
            }
        }
        addSlopes(&features);
        normalise(&features);
        addVoicing(&features);
    }
    return features;
}

Mfcc::Features Mfcc::compute(const std::vector<float>& samples, const std::vector<float>& bandRange,
                             const std::function<bool(double done)>& keepGoing)
{
    Mfcc mfcc;
    constexpr std::size_t piece = 1 << 16;
    for (std::size_t at = 0; at < samples.size(); at += piece) {
        if (keepGoing && !keepGoing(double(at) / double(samples.size())))
            return {};
        mfcc.push(samples.data() + at, std::min(piece, samples.size() - at));
    }
    return mfcc.finish(bandRange);
}

void Mfcc::analyse(const float* x)
{
    const FilterBank& bank = filterBank();
    const int levelFirst = int(levelLowHz * fftSize / sampleRate);
    const int levelLast = int(levelHighHz * fftSize / sampleRate);
    // A full-scale sine's windowed power, so levels read as dBFS.
    constexpr double fullScale = 0.25 * 0.54 * 0.54 * window * window;

    float* buffer = m_fft->transform.input();
    float previous = m_previous;
    for (int k = 0; k < window; ++k) {
        buffer[k] = (x[k] - 0.97f * previous) * m_fft->hamming[k];
        previous = x[k];
    }
    // The next window starts one hop on: its pre-emphasis needs the sample before that.
    m_previous = x[hop - 1];
    std::fill(buffer + window, buffer + fftSize, 0.0f);
    m_fft->transform.run();
    std::array<float, bins> power{};
    double level = 0;
    for (int k = 0; k < bins; ++k) {
        power[k] = m_fft->transform.power(k);
        if (k >= levelFirst && k <= levelLast)
            level += power[k];
    }
    m_features.levelDb.push_back(float(10.0 * std::log10(level / fullScale + 1e-12)));
    for (int b = 0; b < melBands; ++b) {
        float energy = 0;
        for (std::size_t k = 0; k < bank.weights[b].size(); ++k)
            energy += bank.weights[b][k] * power[std::size_t(bank.first[b]) + k];
        m_logMel.push_back(std::log(energy + powerFloor * window));
    }
    ++m_features.frames;
}

int Mfcc::frameAt(double seconds)
{
    return int(std::lround((seconds * sampleRate - window / 2.0) / hop));
}

Mfcc::Features Mfcc::slice(const Features& features, int from, int to)
{
    Features part;
    part.frames = to - from;
    part.values.assign(features.values.begin() + std::ptrdiff_t(from) * dims,
                       features.values.begin() + std::ptrdiff_t(to) * dims);
    return part;
}
