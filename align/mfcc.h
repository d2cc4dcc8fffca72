#pragma once

#include <memory>
#include <vector>

// Mel-frequency cepstra of 16 kHz mono speech: 25 ms windows every 10 ms, each coefficient
// normalised to zero mean and unit variance over the whole signal, so two voices and two
// microphones compare by what was said rather than by how they sound.
class Mfcc
{
public:
    static constexpr int sampleRate = 16000;
    static constexpr int hop = 160;
    static constexpr int window = 400;
    static constexpr int cepstra = 13;
    // The cepstra and their slopes.
    static constexpr int dims = 2 * cepstra;

    struct Features
    {
        int frames = 0;
        std::vector<float> values; // frames × dims, one frame after another
        // Loudness of each frame's speech band in dB (0 dB: a full-scale sine), for finding pauses.
        std::vector<float> levelDb;

        const float* frame(int i) const { return values.data() + std::size_t(i) * dims; }
    };

    Mfcc();
    ~Mfcc();
    Mfcc(const Mfcc&) = delete;
    Mfcc& operator=(const Mfcc&) = delete;

    // Takes the signal in pieces, so a long one need never be held whole.
    void push(const float* samples, std::size_t count);
    // Every whole window's features, normalised; the analysis starts over after this.
    Features finish();

    static Features compute(const std::vector<float>& samples);

    // The time in seconds at the middle of frame `i`.
    static double frameTime(double i) { return (i * hop + window / 2.0) / sampleRate; }
    static int frameAt(double seconds);

private:
    struct Fft;
    void analyse(const float* x);

    std::unique_ptr<Fft> m_fft;
    std::vector<float> m_pending;
    float m_previous = 0;
    Features m_features;
};
