#include "align/resampler.h"
#include "align/sentencealigner.h"
#include "audio/soundfile.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace SentenceAligner {

namespace {

QString tooLongMessage()
{
    return u"录音超过 30 分钟，无法自动分句。请把录音剪成较短的几段后再导入。"_s;
}

} // namespace

bool decodeForAlignment(const QString& path, std::vector<float>* samples, QString* error,
                        const std::function<bool()>& keepGoing)
{
    samples->clear();
    // Opening a named pipe or a device would wait for a writer that may never come.
    if (!QFileInfo(path).isFile()) {
        *error = QFileInfo::exists(path)
                     ? u"“%1”不是录音文件（不是普通文件），无法读取。"_s.arg(path)
                     : u"找不到录音文件：%1"_s.arg(path);
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = u"无法打开录音文件“%1”：%2"_s.arg(path, file.errorString());
        return false;
    }
    SoundFile sound;
    const int rate = sound.openRead(&file) ? sound.info().samplerate : 0;
    const int channels = sound.isOpen() ? sound.info().channels : 0;
    if (rate < 4000 || rate > 384000 || channels <= 0 || channels > 64) {
        *error =
            u"无法读取录音文件“%1”：文件可能已损坏，或不是 MP3、WAV、FLAC、Ogg 格式。"_s.arg(path);
        return false;
    }
    const qint64 maxFrames = qint64(std::ceil(maxRecordingSeconds * rate));
    // The header's length is only a hint (MP3 gives none), but one past the limit is enough.
    if (sound.info().frames > maxFrames) {
        *error = tooLongMessage();
        return false;
    }
    if (sound.info().frames > 0)
        samples->reserve(std::size_t(double(sound.info().frames) * sampleRate / rate) + 64);

    Resampler resampler(rate, sampleRate);
    constexpr sf_count_t chunkFrames = 16384;
    std::vector<float> chunk(std::size_t(chunkFrames) * std::size_t(channels));
    std::vector<float> mono(static_cast<std::size_t>(chunkFrames));
    qint64 total = 0;
    for (;;) {
        const sf_count_t got = sf_readf_float(sound.handle(), chunk.data(), chunkFrames);
        if (got <= 0)
            break;
        if (keepGoing && !keepGoing()) {
            samples->clear();
            error->clear();
            return false;
        }
        total += got;
        if (total > maxFrames) {
            samples->clear();
            samples->shrink_to_fit();
            *error = tooLongMessage();
            return false;
        }
        for (sf_count_t f = 0; f < got; ++f) {
            float sum = 0;
            for (int c = 0; c < channels; ++c)
                sum += chunk[std::size_t(f * channels + c)];
            const float value = sum / float(channels);
            // A damaged frame can decode to anything; keep it from poisoning the features.
            mono[std::size_t(f)] = std::isfinite(value) ? std::clamp(value, -1.0f, 1.0f) : 0.0f;
        }
        resampler.push(mono.data(), std::size_t(got), samples);
    }
    resampler.finish(samples);
    if (total == 0) {
        *error = u"录音文件“%1”中没有声音。"_s.arg(path);
        return false;
    }
    return true;
}

} // namespace SentenceAligner
