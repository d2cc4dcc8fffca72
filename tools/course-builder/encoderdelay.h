#pragma once

#include <vector>

// How far a decoder's output lags behind the samples that were encoded. MP3 encoders put
// padding in front of the audio; a decoder that honours the gapless header strips it again,
// one that does not plays it. The stored times must match what the player's decoder plays.
class EncoderDelay
{
public:
    // The lag L in frames such that decoded[n + L] matches written[n] best; 0 when the
    // recording holds no sound to compare.
    static long measure(const std::vector<float>& written, const std::vector<float>& decoded);

    static constexpr long searchFrames = 4096;
};
