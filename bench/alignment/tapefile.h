#pragma once

#include <QString>
#include <vector>

// The 16 kHz tape a recording was encoded from, kept losslessly beside it, so that every run
// can check the aligner's decoding against the exact samples it started from.
class TapeFile
{
public:
    static bool write(const QString& path, const std::vector<float>& samples, int sampleRate);
    // False when the file is missing, unreadable or not at `sampleRate` mono.
    static bool read(const QString& path, int sampleRate, std::vector<float>* samples);
};
