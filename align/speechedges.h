#pragma once

#include "align/sentencealigner.h"

#include <QList>
#include <functional>
#include <vector>

// Finds to within a few milliseconds where each sentence's speech begins and ends, near the
// edges of the pauses around it, so a clip can hold all of a sentence and little else.
//
// A sentence starts where its sound first rises 43 dB under its own loudest moment: soft
// fricatives and the fading ends of words lie that low. In a quiet recording that level can
// be read from the loudness itself. Under noise it lies beneath the noise, and is found from
// the spectrum instead: how far, bin by bin, each moment departs from the noise's own
// spectrum, summed until the evidence for speech stops growing, less a long faint stretch at
// its edge. Boundaries under noise keep some of the pause, more the deeper the noise buries
// soft speech.
class SpeechEdges
{
public:
    // `noiseMaskingDb` as the PauseFinder measured it for the same samples. `progress` is
    // told the share done now and then; when it returns false the analysis stops, and
    // cancelled() says so.
    SpeechEdges(const std::vector<float>& samples, double noiseMaskingDb,
                const std::function<bool(double done)>& progress = {});

    bool cancelled() const { return m_cancelled; }

    // `edges`: each sentence's speech as the pause search found it; `limits`: how far each
    // start and end may move (the middle of the pause beside it). The result lies within
    // the limits.
    QList<SentenceAligner::Span> refine(const QList<SentenceAligner::Span>& edges,
                                        const QList<SentenceAligner::Span>& limits) const;

    static constexpr double frameSeconds = 0.005;

private:
    // Under noise, each frame's likelihood of holding speech over the noise's spectrum.
    void measureLikelihood(const std::vector<float>& samples,
                           const std::function<bool(double done)>& progress);
    int frameAt(double seconds) const;
    SentenceAligner::Span refineQuiet(const SentenceAligner::Span& edge,
                                      const SentenceAligner::Span& limit) const;
    SentenceAligner::Span refineNoisy(const SentenceAligner::Span& edge,
                                      const SentenceAligner::Span& limit, double typical) const;
    double noiseLikelihood(const QList<SentenceAligner::Span>& edges) const;

    double m_maskingDb = 0;
    bool m_noisy = false;
    bool m_cancelled = false;
    // Power of each 5 ms frame, and the noise's mean power and its wander per frame.
    std::vector<double> m_power;
    double m_noise = 0;
    double m_wander = 0;
    // Under noise: how likely each frame is speech rather than noise.
    std::vector<double> m_likelihood;
    double m_noiseLikelihood = 0;
};
