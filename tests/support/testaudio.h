#pragma once

#include <QtGlobal>
#include <span>

// Helpers for tests that play through the PulseAudio null sink and compare what it played.
namespace TestAudio {

// True when a PulseAudio server answers (tools/start-pulse.sh starts one).
bool pulseAvailable();

// The first frame of `haystack` at which the frames of `needle` follow exactly, or -1. Both are
// interleaved 16-bit stereo.
qint64 findFrames(std::span<const qint16> haystack, std::span<const qint16> needle);

// Frames with any sample whose magnitude exceeds `threshold`.
qint64 countNonSilentFrames(std::span<const qint16> samples, int threshold = 0);

// The first and the last such frame, or -1.
qint64 firstNonSilentFrame(std::span<const qint16> samples, int threshold = 0);
qint64 lastNonSilentFrame(std::span<const qint16> samples, int threshold = 0);

} // namespace TestAudio
