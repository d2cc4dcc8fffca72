#pragma once

#include <optional>
#include <vector>

// Tells speech from pause in a recording by the loudness of its frames (10 ms apart), against
// a threshold set between the recording's own noise floor and its speech level, and finds the
// pause a speaker made near a point.
class PauseFinder
{
public:
    // Silent frames, first to last inclusive.
    struct Pause
    {
        int first = 0;
        int last = 0;
    };

    explicit PauseFinder(const std::vector<float>& levelDb);

    // False for a silent recording and for one of steady noise.
    bool hasSpeech() const { return m_hasSpeech; }
    int speechFrames() const { return m_speechFrames; }
    bool isSpeech(int frame) const;

    // Of the pauses that lie wholly in [from, to], the one that overlaps [near, farEnd] most, else
    // the one closest to it.
    std::optional<Pause> pauseNear(int nearFirst, int nearLast, int from, int to) const;
    // The frame where speech starts (or, with `onset` false, ends) closest to `frame`, within
    // `reach` frames; the recording's edge counts when speech runs up to it.
    std::optional<int> speechEdgeNear(int frame, int reach, bool onset) const;
    // The quietest frame in [from, to].
    int quietestFrame(int from, int to) const;

private:
    std::vector<float> m_levelDb;
    std::vector<bool> m_speech;
    std::vector<Pause> m_pauses;
    bool m_hasSpeech = false;
    int m_speechFrames = 0;
};
