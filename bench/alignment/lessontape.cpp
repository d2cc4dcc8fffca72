#include "bench/alignment/lessontape.h"

#include "bench/alignment/energyspan.h"
#include "bench/alignment/flitevoice.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

bool LessonTape::speak(const QString& voice, double stretch, const QString& text, double onsetAt,
                       SentenceAligner::Span* placed, QString* error)
{
    constexpr int rate = FliteVoice::sampleRate;
    std::vector<float> render;
    if (!FliteVoice::speak(voice, text, stretch, &render, error))
        return false;
    const EnergySpan speech = EnergySpan::measure(render, rate);
    const double renderSeconds = double(render.size()) / rate;
    if (!speech.found() || speech.start < 0 || speech.end > renderSeconds) {
        *error = u"flite ("_s + voice + u") spoke nothing measurable for \""_s + text + u'"';
        return false;
    }
    float peak = 0;
    for (float sample : render)
        peak = std::max(peak, std::abs(sample));
    const long offset = std::max(0L, std::lround((onsetAt - speech.start) * rate));
    if (samples.size() < size_t(offset) + render.size())
        samples.resize(size_t(offset) + render.size());
    for (size_t i = 0; i < render.size(); ++i)
        samples[size_t(offset) + i] += render[i] * float(speechPeak / peak);
    placed->start = double(offset) / rate + speech.start;
    placed->end = double(offset) / rate + speech.end;
    return true;
}

void LessonTape::extendTo(double seconds)
{
    samples.resize(std::max(samples.size(), size_t(seconds * FliteVoice::sampleRate)));
}
