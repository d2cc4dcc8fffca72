#pragma once

#include <optional>
#include <vector>

// Tells speech from pause in a recording by its loudness every 5 ms, against a threshold set
// from the recording itself: 40 dB under its loudest speech, or four times its noise floor
// when the noise is louder than that. Finds the pause a speaker made near a point.
class PauseFinder
{
public:
    // Seconds from the start of the recording.
    struct Pause
    {
        double start = 0;
        double end = 0;
    };

    PauseFinder(const std::vector<float>& samples, int sampleRate);

    // False for a silent recording and for one of steady noise.
    bool hasSpeech() const { return m_hasSpeech; }
    double speechSeconds() const;
    // How far the noise floor reaches over the level where soft speech starts, in dB (0 for a
    // quiet recording): soft onsets and endings drown in noise by about that much.
    double noiseMaskingDb() const { return m_maskingDb; }

    // Of the pauses reaching into [from, to], the one overlapping [nearStart, nearEnd] most,
    // else the one closest to it.
    std::optional<Pause> pauseNear(double nearStart, double nearEnd, double from, double to) const;
    // Where speech starts (or, with `onset` false, ends) after (before) a pause long enough to
    // part sentences, closest to `seconds` and within `reach` of it.
    std::optional<double> speechEdgeNear(double seconds, double reach, bool onset) const;
    // The middle of the quietest stretch in [from, to].
    double quietestNear(double from, double to) const;
    // Whether any speech lies after `seconds`.
    bool speechAfter(double seconds) const;

    // The noise under a recording, from the power of each of its frames.
    struct Noise
    {
        double power = 0;  // mean power of a noise frame
        double wander = 0; // how far that power strays from frame to frame
    };
    static Noise noiseIn(const std::vector<double>& power);

    // Speech must stand this far above the noise floor to count as speech at all.
    static constexpr float minSpeechRangeDb = 15;
    // The level in dB that parts speech from noise in `levelDb`; +infinity when the loudest
    // frames stand less than `leastRangeDb` over the quietest, too close to tell apart.
    static float speechThreshold(const std::vector<float>& levelDb,
                                 float leastRangeDb = minSpeechRangeDb);

private:
    struct Run
    {
        int first = 0;
        int last = 0;
    };
    int frameAt(double seconds) const;
    Pause toSeconds(const Run& run) const;

    std::vector<float> m_levelDb;
    std::vector<bool> m_speech;
    std::vector<Run> m_pauses;
    bool m_hasSpeech = false;
    int m_speechFrames = 0;
    double m_maskingDb = 0;
};
