#pragma once

#include <QString>
#include <vector>

// Writes 44100 Hz mono samples as an MP3 file through libsndfile, and reads any file
// libsndfile knows back as mono samples. Both throw a CourseError on failure.
class Mp3Writer
{
public:
    // Writes beside the target first and renames at the end, so an interrupted build never
    // leaves a truncated file under the final name.
    static void write(const QString& path, const std::vector<float>& samples, int sampleRate);
    static std::vector<float> decode(const QString& path);
};
