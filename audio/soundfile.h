#pragma once

#include <QString>
#include <sndfile.h>

class QIODevice;

// A libsndfile handle reading from or writing to a QIODevice. Going through Qt's file layer
// lets paths such as the voice library "语音库" open the same way on every platform, where
// sf_open() would take the path in the local 8-bit code page.
class SoundFile
{
public:
    SoundFile() = default;
    ~SoundFile();
    SoundFile(const SoundFile&) = delete;
    SoundFile& operator=(const SoundFile&) = delete;

    // The device must be open and outlive this object (or the next close()).
    bool openRead(QIODevice* device);
    bool openWrite(QIODevice* device, int format, int sampleRate, int channels);
    // Finishes the file (a written header is updated here); false if that failed.
    bool close();

    bool isOpen() const { return m_file != nullptr; }
    SNDFILE* handle() const { return m_file; }
    const SF_INFO& info() const { return m_info; }
    QString errorString() const { return m_error; }

private:
    bool open(QIODevice* device, int mode);

    SNDFILE* m_file = nullptr;
    SF_INFO m_info{};
    QString m_error;
};
