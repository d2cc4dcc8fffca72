#include "bench/alignment/backgroundnoise.h"

#include <algorithm>
#include <cmath>

namespace {

// Unit-RMS noise: white, or pink from a sum of three leaky integrators of it (within about a
// decibel of -3 dB per octave over the speech band).
std::vector<double> unitNoise(const QString& colour, size_t frames, std::mt19937& random)
{
    std::normal_distribution<double> gauss;
    std::vector<double> noise(frames);
    double b0 = 0;
    double b1 = 0;
    double b2 = 0;
    double energy = 0;
    for (double& sample : noise) {
        const double white = gauss(random);
        sample = white;
        if (colour == QLatin1String("pink")) {
            b0 = 0.99765 * b0 + white * 0.0990460;
            b1 = 0.96300 * b1 + white * 0.2965164;
            b2 = 0.57000 * b2 + white * 1.0526913;
            sample = b0 + b1 + b2 + white * 0.1848;
        }
        energy += sample * sample;
    }
    const double scale = 1.0 / std::sqrt(std::max(energy / double(frames), 1e-12));
    for (double& sample : noise)
        sample *= scale;
    return noise;
}

} // namespace

void BackgroundNoise::add(std::vector<float>* samples, int sampleRate,
                          const QList<SentenceAligner::Span>& speech, const QString& colour,
                          double snrDecibels, std::mt19937& random)
{
    double energy = 0;
    double count = 0;
    for (const auto& span : speech) {
        const auto from = size_t(span.start * sampleRate);
        const auto to = std::min(samples->size(), size_t(span.end * sampleRate));
        for (size_t i = from; i < to; ++i)
            energy += double((*samples)[i]) * (*samples)[i];
        count += double(to - from);
    }
    if (count <= 0)
        return;
    const double level = std::sqrt(energy / count) / std::pow(10.0, snrDecibels / 20);
    const std::vector<double> noise = unitNoise(colour, samples->size(), random);
    for (size_t i = 0; i < noise.size(); ++i)
        (*samples)[i] += float(noise[i] * level);
}
