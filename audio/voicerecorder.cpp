#include "audio/voicerecorder.h"

#include <QAudioSource>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSaveFile>

VoiceRecorder::VoiceRecorder(QObject* parent) : QObject(parent) {}

VoiceRecorder::~VoiceRecorder()
{
    if (m_source != nullptr)
        m_source->disconnect(this);
    abandon();
}

bool VoiceRecorder::start(const QString& path)
{
    if (isRecording()) {
        abandon();
        emit recordingChanged(false);
    }
    m_error = Error::None;
    m_errorString.clear();
    m_deviceFailed = false;

    const QAudioDevice device = QMediaDevices::defaultAudioInput();
    if (device.isNull())
        return fail(Error::NoInputDevice, QStringLiteral("no sound input device"));
    QAudioFormat format;
    format.setSampleRate(44100);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) {
        format = device.preferredFormat();
        format.setSampleFormat(QAudioFormat::Int16);
    }
    m_format = format;

    // QSaveFile writes where a link at the target points; a link is never our recording.
    if (QFileInfo(path).isSymLink())
        QFile::remove(path);
    m_file = std::make_unique<QSaveFile>(path);
    // Writing straight into the target would destroy the previous recording on failure.
    m_file->setDirectWriteFallback(false);
    if (!m_file->open(QIODevice::WriteOnly)) {
        const QString reason = m_file->errorString();
        m_file.reset();
        return fail(Error::CannotWrite, reason);
    }
    if (!m_sound.openWrite(m_file.get(), SF_FORMAT_WAV | SF_FORMAT_PCM_16, format.sampleRate(),
                           format.channelCount())) {
        const QString reason = m_sound.errorString();
        abandon();
        return fail(Error::CannotWrite, reason);
    }
    m_sink.open(&m_sound, format.channelCount());

    m_source = new QAudioSource(device, format, this);
    connect(m_source, &QAudioSource::stateChanged, this, [this](QAudio::State state) {
        if (state == QAudio::StoppedState && m_source->error() != QAudio::NoError)
            m_deviceFailed = true;
    });
    m_source->start(&m_sink);
    if (m_source->state() == QAudio::StoppedState) {
        abandon();
        return fail(Error::DeviceFailed, QStringLiteral("the sound input device did not start"));
    }
    emit recordingChanged(true);
    return true;
}

bool VoiceRecorder::stop()
{
    if (!isRecording())
        return false;
    m_source->disconnect(this);
    m_source->stop();
    delete m_source;
    m_source = nullptr;
    m_sink.close();
    const bool closed = m_sound.close();

    bool saved = false;
    if (m_sink.failed() || !closed || m_file->error() != QFileDevice::NoError)
        fail(Error::CannotWrite,
             QStringLiteral("the recording could not be written: ") + m_file->errorString());
    else if (m_sink.framesWritten() == 0)
        fail(m_deviceFailed ? Error::DeviceFailed : Error::NothingRecorded,
             QStringLiteral("nothing was recorded"));
    else if (!m_file->commit())
        fail(Error::CannotWrite, m_file->errorString());
    else
        saved = true;
    // Without a commit the temporary file goes, and the target keeps what it held.
    m_file.reset();
    emit recordingChanged(false);
    return saved;
}

bool VoiceRecorder::fail(Error error, const QString& message)
{
    m_error = error;
    m_errorString = message;
    return false;
}

void VoiceRecorder::abandon()
{
    if (m_source != nullptr) {
        m_source->stop();
        delete m_source;
        m_source = nullptr;
    }
    m_sink.close();
    m_sound.close();
    if (m_file != nullptr) {
        m_file->cancelWriting();
        m_file.reset();
    }
}
