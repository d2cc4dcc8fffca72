#pragma once

#include <QString>
#include <vector>

// Speaks a text with the flite command-line synthesiser, a voice the aligner's own reference
// voice is not.
class FliteVoice
{
public:
    // kal16, awb, rms and slt all speak at this rate; the 8 kHz "kal" is not used.
    static constexpr int sampleRate = 16000;

    static bool available();
    // Mono samples in -1..1; `stretch` over 1 speaks slower. False with `error` when flite
    // failed or spoke at another rate.
    static bool speak(const QString& voice, const QString& text, double stretch,
                      std::vector<float>* samples, QString* error);
};
