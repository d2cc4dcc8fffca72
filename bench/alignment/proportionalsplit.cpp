#include "bench/alignment/proportionalsplit.h"

#include "bench/alignment/energyspan.h"

QList<SentenceAligner::Span> ProportionalSplit::split(const std::vector<float>& samples,
                                                      const QStringList& sentences)
{
    const EnergySpan speech =
        EnergySpan::measure(samples, SentenceAligner::sampleRate, EnergySpan::Background::Noisy);
    double characters = 0;
    for (const QString& sentence : sentences)
        characters += double(sentence.size());
    QList<SentenceAligner::Span> spans;
    if (!speech.found() || characters <= 0)
        return spans;
    double at = speech.start;
    for (const QString& sentence : sentences) {
        const double end = at + (speech.end - speech.start) * double(sentence.size()) / characters;
        spans.append({at, end});
        at = end;
    }
    return spans;
}
