#include "bench/alignment/boundaryscore.h"

#include <algorithm>
#include <cmath>

void BoundaryScore::add(const CorpusLesson& lesson, const QList<SentenceAligner::Span>& found,
                        const QList<double>& confidence)
{
    const bool aligned = found.size() == lesson.truth.size();
    for (qsizetype i = 0; i < lesson.truth.size(); ++i) {
        ++m_sentences;
        const SentenceAligner::Span& truth = lesson.truth[i];
        if (!aligned) {
            // A sentence without a span is as wrong as the whole recording is long.
            ++unaligned;
            ++flaggedUnclean;
            m_errors.push_back(lesson.seconds * 1000);
            m_errors.push_back(lesson.seconds * 1000);
            continue;
        }
        const SentenceAligner::Span& clip = found[i];
        m_errors.push_back(std::abs(clip.start - truth.start) * 1000);
        m_errors.push_back(std::abs(clip.end - truth.end) * 1000);

        const bool cut = clip.start > truth.start + tolerance || clip.end < truth.end - tolerance;
        const bool early = truth.start - clip.start > slack;
        const bool late = clip.end - truth.end > slack;
        bool foreign = false;
        auto overlaps = [&](const SentenceAligner::Span& other) {
            return std::min(clip.end, other.end) - std::max(clip.start, other.start) > tolerance;
        };
        for (qsizetype j = 0; j < lesson.truth.size(); ++j)
            foreign = foreign || (j != i && overlaps(lesson.truth[j]));
        for (const auto& other : lesson.otherSpeech)
            foreign = foreign || overlaps(other);
        speechCut += cut;
        tooEarly += early;
        tooLate += late;
        foreignSpeech += foreign;
        const bool clean = !(cut || early || late || foreign);
        m_clean += clean;
        const bool flagged =
            confidence.size() == found.size() && confidence[i] < SentenceAligner::unsureBelow;
        (clean ? flaggedClean : flaggedUnclean) += flagged;
    }
}

double BoundaryScore::errorMs(double q) const
{
    if (m_errors.empty())
        return 0;
    std::vector<double> sorted = m_errors;
    const auto at = sorted.begin() + std::ptrdiff_t(std::ceil(q * double(sorted.size() - 1)));
    std::nth_element(sorted.begin(), at, sorted.end());
    return *at;
}

double BoundaryScore::worstMs() const
{
    return m_errors.empty() ? 0 : *std::max_element(m_errors.begin(), m_errors.end());
}
