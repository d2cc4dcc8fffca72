#include "audio/soundfile.h"

#include <QIODevice>
#include <cstdio>

namespace {

QIODevice* deviceOf(void* userData)
{
    return static_cast<QIODevice*>(userData);
}

sf_count_t fileLength(void* userData)
{
    return deviceOf(userData)->size();
}

sf_count_t seekTo(sf_count_t offset, int whence, void* userData)
{
    QIODevice* device = deviceOf(userData);
    qint64 target = offset;
    if (whence == SEEK_CUR)
        target += device->pos();
    else if (whence == SEEK_END)
        target += device->size();
    if (target < 0 || !device->seek(target))
        return -1;
    return device->pos();
}

sf_count_t readFrom(void* data, sf_count_t count, void* userData)
{
    const qint64 got = deviceOf(userData)->read(static_cast<char*>(data), count);
    return got < 0 ? 0 : got;
}

sf_count_t writeTo(const void* data, sf_count_t count, void* userData)
{
    const qint64 written = deviceOf(userData)->write(static_cast<const char*>(data), count);
    return written < 0 ? 0 : written;
}

sf_count_t position(void* userData)
{
    return deviceOf(userData)->pos();
}

SF_VIRTUAL_IO virtualIo{fileLength, seekTo, readFrom, writeTo, position};

} // namespace

SoundFile::~SoundFile()
{
    close();
}

bool SoundFile::openRead(QIODevice* device)
{
    m_info = SF_INFO{};
    return open(device, SFM_READ);
}

bool SoundFile::openWrite(QIODevice* device, int format, int sampleRate, int channels)
{
    m_info = SF_INFO{};
    m_info.format = format;
    m_info.samplerate = sampleRate;
    m_info.channels = channels;
    if (!sf_format_check(&m_info)) {
        m_error = QStringLiteral("unsupported sound file format");
        return false;
    }
    return open(device, SFM_WRITE);
}

bool SoundFile::open(QIODevice* device, int mode)
{
    close();
    m_error.clear();
    if (device == nullptr || !device->isOpen()) {
        m_error = QStringLiteral("device not open");
        return false;
    }
    m_file = sf_open_virtual(&virtualIo, mode, &m_info, device);
    if (m_file == nullptr) {
        m_error = QString::fromLocal8Bit(sf_strerror(nullptr));
        return false;
    }
    return true;
}

bool SoundFile::close()
{
    if (m_file == nullptr)
        return true;
    const int status = sf_close(m_file);
    m_file = nullptr;
    if (status != 0) {
        m_error = QString::fromLocal8Bit(sf_error_number(status));
        return false;
    }
    return true;
}
