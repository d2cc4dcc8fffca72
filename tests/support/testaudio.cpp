#include "testaudio.h"

#include <QProcess>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>

namespace TestAudio {

namespace {

std::vector<quint32> packFrames(std::span<const qint16> samples)
{
    std::vector<quint32> frames(samples.size() / 2);
    for (size_t i = 0; i < frames.size(); ++i)
        frames[i] = quint32(quint16(samples[2 * i])) | quint32(quint16(samples[2 * i + 1])) << 16;
    return frames;
}

bool loud(const qint16* frame, int threshold)
{
    return std::abs(int(frame[0])) > threshold || std::abs(int(frame[1])) > threshold;
}

} // namespace

bool pulseAvailable()
{
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), {QStringLiteral("info")});
    if (!pactl.waitForFinished(5000)) {
        pactl.kill();
        pactl.waitForFinished(1000);
        return false;
    }
    return pactl.exitStatus() == QProcess::NormalExit && pactl.exitCode() == 0;
}

qint64 findFrames(std::span<const qint16> haystack, std::span<const qint16> needle)
{
    const std::vector<quint32> hay = packFrames(haystack);
    const std::vector<quint32> pattern = packFrames(needle);
    if (pattern.empty() || pattern.size() > hay.size())
        return -1;
    const auto found = std::search(
        hay.begin(), hay.end(), std::boyer_moore_horspool_searcher(pattern.begin(), pattern.end()));
    return found == hay.end() ? -1 : qint64(found - hay.begin());
}

qint64 countNonSilentFrames(std::span<const qint16> samples, int threshold)
{
    qint64 count = 0;
    for (size_t i = 0; i + 1 < samples.size(); i += 2)
        count += loud(&samples[i], threshold) ? 1 : 0;
    return count;
}

qint64 firstNonSilentFrame(std::span<const qint16> samples, int threshold)
{
    for (size_t i = 0; i + 1 < samples.size(); i += 2) {
        if (loud(&samples[i], threshold))
            return qint64(i / 2);
    }
    return -1;
}

qint64 lastNonSilentFrame(std::span<const qint16> samples, int threshold)
{
    for (qint64 f = qint64(samples.size() / 2) - 1; f >= 0; --f) {
        if (loud(&samples[size_t(f * 2)], threshold))
            return f;
    }
    return -1;
}

} // namespace TestAudio
