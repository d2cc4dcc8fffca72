#include "audio/qtsoundoutput.h"

#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QMediaDevices>
#include <QScopedValueRollback>

Q_DECLARE_LOGGING_CATEGORY(lcPlayback)

namespace {

// The output buffer we ask for (PulseAudio grants about 200 ms of it). Everything queued is
// dropped on a stop, so its size costs no reaction time; smaller buffers ran dry whenever the
// machine was busy, and below ~70 ms the stream stalled outright.
constexpr int qtBufferMs = 250;

} // namespace

QtSoundOutput::QtSoundOutput(QObject* parent) : SoundOutput(parent) {}

QtSoundOutput::~QtSoundOutput()
{
    if (m_sink != nullptr) {
        m_sink->disconnect(this);
        QScopedValueRollback guard(m_stopping, true);
        m_sink->stop();
        // The sink's destructor runs the event loop once; nothing queued may reach us then.
        QCoreApplication::removePostedEvents(this);
        delete m_sink;
    }
}

bool QtSoundOutput::start(QIODevice* source, int sampleRate)
{
    stop();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return false;
    if (m_sink == nullptr || m_device != device || m_sampleRate != sampleRate) {
        release();
        QAudioFormat format;
        format.setSampleRate(sampleRate);
        format.setChannelCount(2);
        format.setSampleFormat(QAudioFormat::Int16);
        m_sink = new QAudioSink(device, format, this);
        m_device = device;
        m_sampleRate = sampleRate;
        connect(m_sink, &QAudioSink::stateChanged, this, &QtSoundOutput::onStateChanged);
    }
    // Qt 6.4 keeps the size the server granted as the next request, and the server grants
    // three quarters of what is asked: without this every restart shrank the buffer until the
    // stream never reached its pre-buffer mark and stayed silent.
    m_sink->setBufferSize(m_sink->format().bytesForDuration(qint64(qtBufferMs) * 1000));
    {
        QScopedValueRollback guard(m_stopping, true);
        m_sink->start(source);
    }
    if (m_sink->state() == QAudio::StoppedState) {
        qCDebug(lcPlayback) << "output did not start, error" << m_sink->error();
        release();
        return false;
    }
    return true;
}

void QtSoundOutput::stop()
{
    if (m_sink != nullptr && m_sink->state() != QAudio::StoppedState) {
        QScopedValueRollback guard(m_stopping, true);
        m_sink->stop();
    }
}

void QtSoundOutput::release()
{
    stop();
    if (m_sink != nullptr) {
        m_sink->disconnect(this);
        m_sink->deleteLater();
        m_sink = nullptr;
    }
}

bool QtSoundOutput::isRunning() const
{
    return m_sink != nullptr && m_sink->state() != QAudio::StoppedState;
}

qint64 QtSoundOutput::playedFrames() const
{
    if (m_sink == nullptr)
        return 0;
    return m_sink->processedUSecs() * m_sampleRate / 1000000;
}

void QtSoundOutput::onStateChanged(QAudio::State state)
{
    // Underruns only delay the sound; a stop we did not ask for, or any other error, is a
    // lost device or sound server.
    const QAudio::Error error = m_sink->error();
    const bool broken = state == QAudio::StoppedState ||
                        (error != QAudio::NoError && error != QAudio::UnderrunError);
    if (m_stopping || !broken)
        return;
    qCDebug(lcPlayback) << "output broke off in state" << state << "error" << error;
    // A sink that met an error is not used again: the next start opens a new one on whatever
    // device is the default then.
    release();
    emit failed();
}
