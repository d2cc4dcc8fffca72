#pragma once

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

// Mel-frequency cepstra of 16 kHz mono speech: 25 ms windows every 10 ms, each coefficient
// normalised to zero mean and unit variance over the signal (a long one over the two minutes
// around each frame), so two voices and two microphones compare by what was said rather than
// by how they sound.
class Mfcc
{
public:
    static constexpr int sampleRate = 16000;
    static constexpr int hop = 160;
    static constexpr int window = 400;
    static constexpr int cepstra = 13;
    // The cepstra, their slopes, and whether the frame is speech: the pauses are what two
    // voices share most plainly.
    static constexpr int dims = 2 * cepstra + 1;
    // The voicing feature runs from 0 in a pause to this in speech: it outweighs a few cepstra.
    static constexpr float voicingWeight = 10;
    // Whether a frame (or the average of several) is more pause than speech.
    static bool isPause(const float* frame) { return frame[dims - 1] < voicingWeight / 2; }
    // How far apart two frames lie: the Euclidean distance of their features.
    static float distance(const float* a, const float* b)
    {
        float sum = 0;
        for (int d = 0; d < dims; ++d) {
            const float diff = a[d] - b[d];
            sum += diff * diff;
        }
        return std::sqrt(sum);
    }

    struct Features
    {
        int frames = 0;
        std::vector<float> values; // frames × dims, one frame after another
        // Loudness of each frame's speech band in dB (0 dB: a full-scale sine), for finding pauses.
        std::vector<float> levelDb;
        // How far each mel band's speech stands over its noise, in nepers: a cleaner signal
        // compared with this one is given the same floor.
        std::vector<float> bandRange;

        const float* frame(int i) const { return values.data() + std::size_t(i) * dims; }
    };

    Mfcc();
    ~Mfcc();
    Mfcc(const Mfcc&) = delete;
    Mfcc& operator=(const Mfcc&) = delete;

    // Takes the signal in pieces, so a long one need never be held whole.
    void push(const float* samples, std::size_t count);
    // Every whole window's features, normalised; the analysis starts over after this. Each
    // mel band's quiet is floored to lie no further under its speech than `bandRange` says,
    // when given.
    Features finish(const std::vector<float>& bandRange = {});

    // `keepGoing` is asked now and then with the share done; when it answers false the work
    // stops and no frames are given. A long recording takes seconds, too long to let a cancel
    // wait.
    static Features compute(const std::vector<float>& samples,
                            const std::vector<float>& bandRange = {},
                            const std::function<bool(double done)>& keepGoing = {});
    static constexpr int melBands = 26;

    // The time in seconds at the middle of frame `i`.
    static double frameTime(double i) { return (i * hop + window / 2.0) / sampleRate; }
    static int frameAt(double seconds);
    // Frames [from, to) of `features`, their values only: enough to warp them.
    static Features slice(const Features& features, int from, int to);

private:
    struct Fft;
    void analyse(const float* x);

    std::unique_ptr<Fft> m_fft;
    std::vector<float> m_pending;
    std::vector<float> m_logMel;
    float m_previous = 0;
    Features m_features;
};
