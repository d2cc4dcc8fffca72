#include "audio/soundfilesink.h"

#include "audio/soundfile.h"

SoundFileSink::SoundFileSink(QObject* parent) : QIODevice(parent) {}

bool SoundFileSink::open(SoundFile* file, int channels)
{
    if (file == nullptr || !file->isOpen() || channels <= 0)
        return false;
    m_file = file;
    m_channels = channels;
    m_partial.clear();
    m_frames = 0;
    m_failed = false;
    return QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

void SoundFileSink::close()
{
    QIODevice::close();
    m_file = nullptr;
    m_partial.clear();
}

qint64 SoundFileSink::readData(char*, qint64)
{
    return -1;
}

qint64 SoundFileSink::writeData(const char* data, qint64 size)
{
    if (m_file == nullptr || m_failed)
        return size;
    // The source hands over whatever it has; a frame split between two writes waits here.
    m_partial.append(data, size);
    const qint64 frameBytes = qint64(sizeof(qint16)) * m_channels;
    const qint64 frames = m_partial.size() / frameBytes;
    if (frames > 0) {
        const auto* samples = reinterpret_cast<const qint16*>(m_partial.constData());
        const sf_count_t written = sf_writef_short(m_file->handle(), samples, frames);
        if (written > 0)
            m_frames += written;
        if (written != frames)
            m_failed = true;
        m_partial.remove(0, frames * frameBytes);
    }
    return size;
}
