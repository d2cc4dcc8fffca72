#include "tools/course-builder/mp3writer.h"

#include "tools/course-builder/courseerror.h"

#include <QFile>

#ifdef _WIN32
#define ENABLE_SNDFILE_WINDOWS_PROTOTYPES 1
#endif
#include <algorithm>
#include <filesystem>
#include <sndfile.h>

using namespace Qt::StringLiterals;

namespace {

SNDFILE* openSound(const QString& path, int mode, SF_INFO* info)
{
#ifdef _WIN32
    return sf_wchar_open(reinterpret_cast<const wchar_t*>(path.utf16()), mode, info);
#else
    return sf_open(QFile::encodeName(path).constData(), mode, info);
#endif
}

std::filesystem::path fsPath(const QString& path)
{
    return std::filesystem::path(path.toStdU16String());
}

QString soundError(SNDFILE* file)
{
    return QString::fromLocal8Bit(sf_strerror(file));
}

} // namespace

void Mp3Writer::write(const QString& path, const std::vector<float>& samples, int sampleRate)
{
    const QString partial = path + u".part"_s;
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    SNDFILE* file = openSound(partial, SFM_WRITE, &info);
    if (file == nullptr)
        throw CourseError(partial, 0, u"cannot write MP3: "_s + soundError(nullptr));

    // Variable bit rate at a middling quality is plenty for synthetic speech (about 65 kbit/s).
    int mode = SF_BITRATE_MODE_VARIABLE;
    double level = 0.5;
    sf_command(file, SFC_SET_BITRATE_MODE, &mode, sizeof mode);
    sf_command(file, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);

    const auto frames = sf_count_t(samples.size());
    const sf_count_t written = sf_writef_float(file, samples.data(), frames);
    const QString failure = written == frames ? QString() : soundError(file);
    if (sf_close(file) != 0 || !failure.isEmpty()) {
        QFile::remove(partial);
        throw CourseError(partial, 0, u"MP3 encoding failed: "_s + failure);
    }
    std::error_code error;
    std::filesystem::rename(fsPath(partial), fsPath(path), error);
    if (error) {
        QFile::remove(partial);
        throw CourseError(path, 0, u"cannot replace: "_s + QString::fromStdString(error.message()));
    }
}

std::vector<float> Mp3Writer::decode(const QString& path)
{
    SF_INFO info{};
    SNDFILE* file = openSound(path, SFM_READ, &info);
    if (file == nullptr)
        throw CourseError(path, 0, u"cannot decode: "_s + soundError(nullptr));
    // Read to the end rather than trusting the frame count: without a length header an MP3
    // stream only knows it approximately.
    const auto channels = size_t(std::max(info.channels, 1));
    std::vector<float> mono;
    std::vector<float> block(4096 * channels);
    sf_count_t got = 0;
    while ((got = sf_readf_float(file, block.data(), 4096)) > 0) {
        for (size_t i = 0; i < size_t(got); ++i) {
            float sum = 0.0f;
            for (size_t c = 0; c < channels; ++c)
                sum += block[i * channels + c];
            mono.push_back(sum / float(channels));
        }
    }
    sf_close(file);
    return mono;
}
