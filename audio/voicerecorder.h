#pragma once

#include "audio/soundfile.h"
#include "audio/soundfilesink.h"

#include <QAudioFormat>
#include <QObject>
#include <QString>
#include <memory>

class QAudioSource;
class QSaveFile;

// Records the default input device into a 16-bit WAV file. The recording goes to a temporary
// file beside the target and replaces the target only once it has been written whole, so a
// failed or abandoned recording never costs the learner the previous one.
class VoiceRecorder : public QObject
{
    Q_OBJECT
public:
    enum class Error { None, NoInputDevice, CannotWrite, DeviceFailed, NothingRecorded };
    Q_ENUM(Error)

    explicit VoiceRecorder(QObject* parent = nullptr);
    // Abandons a running recording; the target keeps what it held.
    ~VoiceRecorder() override;

    // Starts recording for `path`, abandoning a recording still running. False, with error()
    // set, when there is no input device, the device does not start, or the file cannot be
    // created beside `path`.
    bool start(const QString& path);
    // Ends the recording and puts it in place of the target. False (the target untouched)
    // when nothing was recorded or the file could not be written completely.
    bool stop();

    bool isRecording() const { return m_source != nullptr; }
    Error error() const { return m_error; }
    QString errorString() const { return m_errorString; }
    // The format of the running or the last recording.
    QAudioFormat format() const { return m_format; }
    qint64 recordedFrames() const { return m_sink.framesWritten(); }

signals:
    void recordingChanged(bool recording);

private:
    bool fail(Error error, const QString& message);
    void abandon();

    std::unique_ptr<QSaveFile> m_file;
    SoundFile m_sound;
    SoundFileSink m_sink;
    QAudioSource* m_source = nullptr;
    QAudioFormat m_format;
    bool m_deviceFailed = false;
    Error m_error = Error::None;
    QString m_errorString;
};
