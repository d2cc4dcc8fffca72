#pragma once

#include <QByteArray>
#include <QIODevice>

class SoundFile;

// A write-only device that hands interleaved 16-bit samples to a sound file opened for
// writing, for QAudioSource to push recorded audio into.
class SoundFileSink : public QIODevice
{
    Q_OBJECT
public:
    explicit SoundFileSink(QObject* parent = nullptr);

    // The file must stay open while the sink is open.
    bool open(SoundFile* file, int channels);
    void close() override;

    qint64 framesWritten() const { return m_frames; }
    // A write the file did not take whole; what came before it is still in the file.
    bool failed() const { return m_failed; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    SoundFile* m_file = nullptr;
    int m_channels = 1;
    QByteArray m_partial;
    qint64 m_frames = 0;
    bool m_failed = false;
};
