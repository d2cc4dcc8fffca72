#include "align/speechedges.h"

#include "align/pausefinder.h"
#include "align/realfft.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

using SentenceAligner::Span;

namespace {

constexpr int rate = SentenceAligner::sampleRate;
constexpr int hop = int(SpeechEdges::frameSeconds * rate);

// Past this much masking, loudness no longer shows where soft speech begins.
constexpr double noisyMaskingDb = 6;

// In a quiet recording: speech is what rises within this much of the sentence's loudest
// moment, and five times over the noise's own wander. Soft fricatives lie up to 40 dB under
// the loudest vowel; some voices breathe just under that before they speak.
constexpr double belowPeakDb = 43;
constexpr double overWander = 5;
// A first search forward from the pause edge, when the pause search's threshold lay under
// this sentence's; then back, over dips as long as a stop's closure.
constexpr int forwardFrames = 20;
constexpr int gapFrames = 20;
// Kept of the pause either side: the truth of a boundary is only known to a frame or two.
constexpr double quietMargin = 0.010;

// Under noise: 25 ms windows, over the band where speech stands above white or pink noise.
constexpr int edgeFftSize = 512;
constexpr int window = 400;
constexpr double edgeLowHz = 100;
constexpr double edgeHighHz = 7500;
// The noise's spectrum is the mean over the quietest fifth of the frames.
constexpr double noiseShare = 0.2;
// Evidence for speech counts only where a frame's likelihood exceeds the noise's typical
// one by a fifth, and no frame counts for more than three times that typical likelihood:
// one loud burst must not carry the sum far into the pause.
constexpr double drift = 1.2;
constexpr double cap = 3;
// The change point search starts this far inside the speech the pause search found, or
// later, at the first frame that is speech beyond doubt: noise alone can lift the pause
// search's edge by a few hundred milliseconds.
constexpr double lead = 0.05;
constexpr double sureSpeech = 10;
// The change point sum can creep on through noise that runs a little over its typical level
// beside one sentence. A stretch at the edge of a sentence's speech where no frame's likelihood
// reaches twice the noise's typical one is given back to the pause, beyond what a soft onset or
// a fading end can last, and never more than a short syllable: so much weak speech may really
// be there.
constexpr double weakSpeech = 2;
constexpr double weakOnsetKept = 0.04;
constexpr double weakOnsetTrimmedAtMost = 0.06;
constexpr double weakEndingKept = 0.05;
constexpr double weakEndingTrimmedAtMost = 0.1;
// The deeper the noise lies over soft speech, the more of its onset and fading end it hides.
constexpr double noisyStartMarginPerDb = 0.002;
constexpr double noisyEndMarginPerDb = 0.009;
constexpr double noisyEndMarginOffset = -0.07;
// Away from the pause's edges, the pause holds noise alone.
constexpr double pauseInside = 0.1;
constexpr double fallbackNoiseLikelihood = 0.2;

} // namespace

namespace {

// Each frame's spectrum over the speech band, one frame at a time: a long recording's spectra
// are never all held.
class BandSpectrum
{
public:
    explicit BandSpectrum(const std::vector<float>& samples) : m_samples(samples)
    {
        for (int i = 0; i < window; ++i)
            m_hann[i] = float(0.5 - 0.5 * std::cos(2 * std::numbers::pi * (i + 0.5) / window));
    }
    static constexpr int first = int(edgeLowHz * edgeFftSize / rate);
    static constexpr int bins = int(edgeHighHz * edgeFftSize / rate) - first;

    void analyse(std::size_t frame)
    {
        float* in = m_fft.input();
        std::fill(in, in + edgeFftSize, 0.0f);
        const long centre = long(frame) * hop + hop / 2;
        for (int i = 0; i < window; ++i) {
            const long at = centre - window / 2 + i;
            if (at >= 0 && at < long(m_samples.size()))
                in[i] = m_samples[std::size_t(at)] * m_hann[i];
        }
        m_fft.run();
    }
    // Power of the band's bin k of the frame analysed last.
    double power(int k) const { return m_fft.power(first + k); }

private:
    const std::vector<float>& m_samples;
    RealFft m_fft{edgeFftSize};
    std::array<float, window> m_hann{};
};

// Half a minute of frames: checks for a cancel often enough without slowing the passes.
constexpr std::size_t checkEvery = 6000;

} // namespace

SpeechEdges::SpeechEdges(const std::vector<float>& samples, double noiseMaskingDb,
                         const std::function<bool(double done)>& progress)
    : m_maskingDb(noiseMaskingDb), m_noisy(noiseMaskingDb > noisyMaskingDb)
{
    const std::size_t frames = samples.size() / hop;
    m_power.resize(frames);
    for (std::size_t f = 0; f < frames; ++f) {
        double sum = 0;
        for (std::size_t i = f * hop; i < (f + 1) * hop; ++i)
            sum += double(samples[i]) * samples[i];
        m_power[f] = sum / hop;
    }
    if (frames == 0)
        return;
    const PauseFinder::Noise quiet = PauseFinder::noiseIn(m_power);
    m_noise = quiet.power;
    m_wander = quiet.wander;
    if (m_noisy)
        measureLikelihood(samples, progress);
}

void SpeechEdges::measureLikelihood(const std::vector<float>& samples,
                                    const std::function<bool(double done)>& progress)
{
    // Three passes over the spectra: each frame's band energy, then the noise's spectrum,
    // then each frame's likelihood.
    const std::size_t frames = m_power.size();
    BandSpectrum spectrum(samples);
    const double work = 3.0 * double(frames);
    auto goOn = [&](double done) {
        m_cancelled = m_cancelled || (progress && !progress(done / work));
        return !m_cancelled;
    };
    std::vector<double> energy(frames);
    for (std::size_t f = 0; f < frames; ++f) {
        if (f % checkEvery == 0 && !goOn(double(f)))
            return;
        spectrum.analyse(f);
        double e = 0;
        for (int k = 0; k < BandSpectrum::bins; ++k)
            e += spectrum.power(k);
        energy[f] = e;
    }
    std::vector<double> sorted = energy;
    const auto cutAt = sorted.begin() + std::ptrdiff_t(double(sorted.size() - 1) * noiseShare);
    std::nth_element(sorted.begin(), cutAt, sorted.end());
    const double cut = *cutAt;
    std::vector<double> noise(std::size_t(BandSpectrum::bins), 0.0);
    int noiseFrames = 0;
    for (std::size_t f = 0; f < frames; ++f) {
        if (f % checkEvery == 0 && !goOn(double(frames + f)))
            return;
        if (energy[f] > cut)
            continue;
        spectrum.analyse(f);
        for (int k = 0; k < BandSpectrum::bins; ++k)
            noise[std::size_t(k)] += spectrum.power(k);
        ++noiseFrames;
    }
    double total = 0;
    for (double& n : noise)
        total += n /= std::max(1, noiseFrames);
    // A floor, so that bins the noise leaves empty (a quiet band of an MP3) cannot dominate.
    for (double& n : noise)
        n = std::max(n, total / BandSpectrum::bins * 1e-3 + 1e-12);
    std::vector<double> likelihood(frames);
    for (std::size_t f = 0; f < frames; ++f) {
        if (f % checkEvery == 0 && !goOn(double(2 * frames + f)))
            return;
        spectrum.analyse(f);
        // The log likelihood ratio of speech over noise in each bin, taking the speech's own
        // power as what the bin holds over the noise.
        double sum = 0;
        for (int k = 0; k < BandSpectrum::bins; ++k) {
            const double ratio = spectrum.power(k) / noise[std::size_t(k)];
            const double over = std::max(ratio - 1, 0.0);
            sum += ratio * over / (1 + over) - std::log1p(over);
        }
        likelihood[f] = sum / BandSpectrum::bins;
    }
    m_likelihood = std::move(likelihood);
    goOn(work);
}

int SpeechEdges::frameAt(double seconds) const
{
    return std::clamp(int(std::floor(seconds / frameSeconds)), 0,
                      std::max(0, int(m_power.size()) - 1));
}

QList<Span> SpeechEdges::refine(const QList<Span>& edges, const QList<Span>& limits) const
{
    QList<Span> spans = limits;
    if (m_power.empty() || edges.size() != limits.size() || (m_noisy && m_likelihood.empty()))
        return spans;
    const double typical = m_noisy ? noiseLikelihood(edges) : 0;
    for (qsizetype k = 0; k < spans.size(); ++k)
        spans[k] =
            m_noisy ? refineNoisy(edges[k], limits[k], typical) : refineQuiet(edges[k], limits[k]);
    return spans;
}

Span SpeechEdges::refineNoisy(const Span& edge, const Span& limit, double typical) const
{
    // Going from inside the speech out into the pause, the evidence for speech adds up while
    // the speech lasts; where the sum peaks, the speech ended.
    auto changePoint = [&](int from, int to, int step) {
        double sum = 0, best = 0;
        int at = from;
        for (int f = from; step < 0 ? f >= to : f <= to; f += step) {
            sum += std::min(m_likelihood[std::size_t(f)], cap * typical) - drift * typical;
            if (sum > best) {
                best = sum;
                at = f;
            }
        }
        return at;
    };
    auto sure = [&](int f) { return m_likelihood[std::size_t(f)] > sureSpeech * typical; };
    const int first = frameAt(edge.start), last = frameAt(edge.end);
    int onsetFrom = frameAt(edge.start + lead), offsetFrom = frameAt(edge.end - lead);
    int sureFirst = first, sureLast = last;
    while (sureFirst < last && !sure(sureFirst))
        ++sureFirst;
    while (sureLast > first && !sure(sureLast))
        --sureLast;
    if (sureFirst < last)
        onsetFrom = std::max(onsetFrom, sureFirst);
    if (sureLast > first)
        offsetFrom = std::min(offsetFrom, sureLast);
    // How many frames from `from` towards `to` are weak speech at most.
    auto weakRun = [&](int from, int to, int step) {
        int f = from;
        while (f != to && m_likelihood[std::size_t(f)] < weakSpeech * typical)
            f += step;
        return std::abs(f - from);
    };
    auto trimmed = [](int weakFrames, double kept, double atMost) {
        return std::clamp(weakFrames - int(std::lround(kept / frameSeconds)), 0,
                          int(std::lround(atMost / frameSeconds)));
    };
    int onset = changePoint(onsetFrom, frameAt(limit.start), -1);
    int offset = changePoint(offsetFrom, frameAt(limit.end), 1);
    onset += trimmed(weakRun(onset, onsetFrom, 1), weakOnsetKept, weakOnsetTrimmedAtMost);
    offset -= trimmed(weakRun(offset, offsetFrom, -1), weakEndingKept, weakEndingTrimmedAtMost);
    const double startMargin = noisyStartMarginPerDb * m_maskingDb;
    const double endMargin =
        std::max(quietMargin, noisyEndMarginOffset + noisyEndMarginPerDb * m_maskingDb);
    return {std::max(onset * frameSeconds - startMargin, limit.start),
            std::min((offset + 1) * frameSeconds + endMargin, limit.end)};
}

Span SpeechEdges::refineQuiet(const Span& edge, const Span& limit) const
{
    const int a = frameAt(edge.start), b = frameAt(edge.end);
    double peak = 0;
    for (int f = a; f <= b; ++f)
        peak = std::max(peak, m_power[std::size_t(f)] - m_noise);
    const double threshold =
        std::max(peak * std::pow(10, -belowPeakDb / 10), overWander * m_wander);
    auto above = [&](int f) { return m_power[std::size_t(f)] - m_noise > threshold; };
    int onset = a;
    while (onset < std::min(b, a + forwardFrames) && !above(onset))
        ++onset;
    for (int f = onset - 1, lowest = frameAt(limit.start); f >= lowest && onset - f <= gapFrames;
         --f) {
        if (above(f))
            onset = f;
    }
    int offset = b;
    while (offset > std::max(a, b - forwardFrames) && !above(offset))
        --offset;
    for (int f = offset + 1, highest = frameAt(limit.end); f <= highest && f - offset <= gapFrames;
         ++f) {
        if (above(f))
            offset = f;
    }
    return {std::max(onset * frameSeconds - quietMargin, limit.start),
            std::min((offset + 1) * frameSeconds + quietMargin, limit.end)};
}

double SpeechEdges::noiseLikelihood(const QList<Span>& edges) const
{
    std::vector<double> pause;
    for (qsizetype k = 0; k + 1 < edges.size(); ++k) {
        for (int f = frameAt(edges[k].end + pauseInside);
             f < frameAt(edges[k + 1].start - pauseInside); ++f)
            pause.push_back(m_likelihood[std::size_t(f)]);
    }
    if (pause.empty())
        return fallbackNoiseLikelihood;
    const auto middle = pause.begin() + std::ptrdiff_t(pause.size() / 2);
    std::nth_element(pause.begin(), middle, pause.end());
    return *middle;
}
