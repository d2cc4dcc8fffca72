#include "pausefinder.h"

#include <algorithm>
#include <cmath>

namespace {

// A speaker's pause between two sentences is longer than the closure of a stop consonant.
constexpr int minPauseFrames = 10;
// Speech must stand this far above the noise floor to count as speech at all.
constexpr float minSpeechRangeDb = 15;

float percentile(std::vector<float> values, double share)
{
    const auto at = values.begin() + std::ptrdiff_t(share * double(values.size() - 1));
    std::nth_element(values.begin(), at, values.end());
    return *at;
}

} // namespace

PauseFinder::PauseFinder(const std::vector<float>& levelDb) : m_levelDb(levelDb)
{
    const int n = int(levelDb.size());
    m_speech.assign(std::size_t(n), false);
    if (n == 0)
        return;
    const float loud = percentile(levelDb, 0.97);
    // Even digital silence is taken as no quieter than 70 dB below the speech.
    const float floor = std::max(percentile(levelDb, 0.05), loud - 70);
    if (loud - floor < minSpeechRangeDb || loud < -75)
        return;
    // Soft consonants lie some 30 to 40 dB below the vowels; the threshold stays under them
    // where the noise allows, and well clear of the noise where it does not.
    const float threshold = std::max(floor + 8, std::min(loud - 42, floor + (loud - floor) / 2));
    for (int i = 0; i < n; ++i)
        m_speech[i] = levelDb[i] > threshold;
    // Clicks and pops shorter than a syllable are not speech.
    for (int i = 0; i < n;) {
        int j = i;
        while (j < n && m_speech[j] == m_speech[i])
            ++j;
        if (m_speech[i] && j - i < 4)
            std::fill(m_speech.begin() + i, m_speech.begin() + j, false);
        i = j;
    }
    m_speechFrames = int(std::count(m_speech.begin(), m_speech.end(), true));
    m_hasSpeech = m_speechFrames >= 30;
    for (int i = 0; i < n;) {
        int j = i;
        while (j < n && m_speech[j] == m_speech[i])
            ++j;
        if (!m_speech[i] && (j - i >= minPauseFrames || i == 0 || j == n))
            m_pauses.push_back(Pause{i, j - 1});
        i = j;
    }
}

bool PauseFinder::isSpeech(int frame) const
{
    return frame >= 0 && frame < int(m_speech.size()) && m_speech[frame];
}

std::optional<PauseFinder::Pause> PauseFinder::pauseNear(int nearFirst, int nearLast, int from,
                                                         int to) const
{
    std::optional<Pause> best;
    int bestOverlap = 0, bestDistance = 0;
    for (const Pause& pause : m_pauses) {
        if (pause.first < from || pause.last > to)
            continue;
        // The recording's own edges are where speech begins and ends, not pauses between.
        if (pause.first == 0 || pause.last == int(m_speech.size()) - 1)
            continue;
        const int overlap = std::min(pause.last, nearLast) - std::max(pause.first, nearFirst) + 1;
        const int distance = std::max({0, pause.first - nearLast, nearFirst - pause.last});
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

std::optional<int> PauseFinder::speechEdgeNear(int frame, int reach, bool onset) const
{
    const int n = int(m_speech.size());
    std::vector<int> edges;
    // Only pauses long enough to part sentences count: a stop consonant's silence does not.
    for (const Pause& pause : m_pauses)
        edges.push_back(onset ? pause.last + 1 : pause.first - 1);
    edges.push_back(onset ? 0 : n - 1);
    std::optional<int> best;
    for (int edge : edges) {
        if (!isSpeech(edge) || std::abs(edge - frame) > reach)
            continue;
        if (!best || std::abs(edge - frame) < std::abs(*best - frame))
            best = edge;
    }
    return best;
}

int PauseFinder::quietestFrame(int from, int to) const
{
    from = std::clamp(from, 0, int(m_levelDb.size()) - 1);
    to = std::clamp(to, from, int(m_levelDb.size()) - 1);
    return int(std::min_element(m_levelDb.begin() + from, m_levelDb.begin() + to + 1) -
               m_levelDb.begin());
}
