#include "audio/pulsesoundoutput.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QIODevice>
#include <QLoggingCategory>
#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/mainloop.h>
#include <pulse/stream.h>

Q_DECLARE_LOGGING_CATEGORY(lcPlayback)

namespace {

// The server-side buffer. What is queued is dropped on a stop, so its size costs no reaction
// time; 200 ms rides out a busy machine, as Qt's sink needed.
constexpr int pulseBufferMs = 200;
// How often the stream is topped up: a small share of the buffer.
constexpr int feedIntervalMs = 10;
// Opening a connection or a stream on a local server takes a few milliseconds; a server that
// does not answer in this time is as good as gone.
constexpr int openTimeoutMs = 2000;
constexpr int pulseBytesPerFrame = 4;

bool contextFailed(pa_context* context)
{
    return !PA_CONTEXT_IS_GOOD(pa_context_get_state(context));
}

} // namespace

PulseSoundOutput::PulseSoundOutput(QObject* parent) : SoundOutput(parent)
{
    m_feedTimer.setInterval(feedIntervalMs);
    m_feedTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_feedTimer, &QTimer::timeout, this, &PulseSoundOutput::feed);
}

PulseSoundOutput::~PulseSoundOutput()
{
    release();
}

template <typename Ready> bool PulseSoundOutput::waitUntil(Ready ready, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!ready()) {
        if (contextFailed(m_context) || clock.elapsed() >= timeoutMs)
            return false;
        // Waits for the server at most 10 ms at a time, so the deadline holds.
        if (pa_mainloop_prepare(m_loop, 10000) < 0 || pa_mainloop_poll(m_loop) < 0 ||
            pa_mainloop_dispatch(m_loop) < 0)
            return false;
    }
    return true;
}

bool PulseSoundOutput::connectServer()
{
    m_loop = pa_mainloop_new();
    const QByteArray name = QCoreApplication::applicationName().toUtf8();
    m_context =
        pa_context_new(pa_mainloop_get_api(m_loop), name.isEmpty() ? "Orlune" : name.constData());
    // No autospawn: a server the learner stopped stays stopped until they start it.
    if (m_context == nullptr ||
        pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        return false;
    }
    return waitUntil([this] { return pa_context_get_state(m_context) == PA_CONTEXT_READY; },
                     openTimeoutMs);
}

bool PulseSoundOutput::openStream(int sampleRate)
{
    const pa_sample_spec sampleFormat{PA_SAMPLE_S16LE, uint32_t(sampleRate), 2};
    m_stream = pa_stream_new(m_context, "lesson", &sampleFormat, nullptr);
    if (m_stream == nullptr)
        return false;
    pa_buffer_attr attr;
    attr.maxlength = uint32_t(-1);
    attr.tlength = uint32_t(pa_usec_to_bytes(pa_usec_t(pulseBufferMs) * 1000, &sampleFormat));
    attr.prebuf = uint32_t(-1);
    attr.minreq = uint32_t(-1);
    attr.fragsize = uint32_t(-1);
    const auto flags = pa_stream_flags_t(PA_STREAM_INTERPOLATE_TIMING |
                                         PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
    pa_stream_set_underflow_callback(
        m_stream, [](pa_stream*, void*) { qCDebug(lcPlayback) << "output underflow"; }, nullptr);
    if (pa_stream_connect_playback(m_stream, nullptr, &attr, flags, nullptr, nullptr) < 0)
        return false;
    return waitUntil(
               [this] {
                   const pa_stream_state_t state = pa_stream_get_state(m_stream);
                   return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
               },
               openTimeoutMs) &&
           pa_stream_get_state(m_stream) == PA_STREAM_READY;
}

bool PulseSoundOutput::start(QIODevice* source, int sampleRate)
{
    stop();
    if (m_context != nullptr && !pump()) {
        qCDebug(lcPlayback) << "the sound server connection was lost; connecting again";
        release();
    }
    if (m_context == nullptr && !connectServer()) {
        qCDebug(lcPlayback) << "no sound server:"
                            << (m_context ? pa_strerror(pa_context_errno(m_context)) : "");
        release();
        return false;
    }
    if (!openStream(sampleRate)) {
        qCDebug(lcPlayback) << "no output stream:" << pa_strerror(pa_context_errno(m_context));
        release();
        return false;
    }
    m_sampleRate = sampleRate;
    m_source = source;
    m_lastPlayed = 0;
    feed();
    if (m_stream == nullptr)
        return false;
    m_feedTimer.start();
    return true;
}

void PulseSoundOutput::stop()
{
    m_feedTimer.stop();
    m_source = nullptr;
    m_lastPlayed = 0;
    if (m_stream != nullptr) {
        // Disconnecting drops what the server still holds: the stop is heard at once.
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
        if (m_context != nullptr)
            pump();
    }
}

void PulseSoundOutput::release()
{
    stop();
    if (m_context != nullptr) {
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    if (m_loop != nullptr) {
        pa_mainloop_free(m_loop);
        m_loop = nullptr;
    }
}

bool PulseSoundOutput::pump()
{
    // Bounded: a flood of events must not keep the caller's thread here.
    for (int i = 0; i < 64; ++i) {
        const int dispatched = pa_mainloop_iterate(m_loop, 0, nullptr);
        if (dispatched < 0)
            return false;
        if (dispatched == 0)
            break;
    }
    if (contextFailed(m_context))
        return false;
    return m_stream == nullptr || PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream));
}

void PulseSoundOutput::feed()
{
    if (m_stream == nullptr)
        return;
    bool ok = pump();
    if (ok) {
        const size_t writable = pa_stream_writable_size(m_stream);
        const qint64 wanted =
            writable == size_t(-1) ? 0 : qint64(writable) / pulseBytesPerFrame * pulseBytesPerFrame;
        if (wanted > 0) {
            m_buffer.resize(wanted);
            const qint64 got = m_source->read(m_buffer.data(), wanted);
            // A source that runs dry leaves the stream to underrun; the engine's watchdog sees
            // the played frames stand still.
            if (got > 0)
                ok = pa_stream_write(m_stream, m_buffer.constData(), size_t(got), nullptr, 0,
                                     PA_SEEK_RELATIVE) == 0;
        }
    }
    if (ok)
        return;
    qCDebug(lcPlayback) << "output broke off:" << pa_strerror(pa_context_errno(m_context));
    release();
    emit failed();
}

qint64 PulseSoundOutput::playedFrames() const
{
    if (m_stream == nullptr)
        return 0;
    pa_usec_t heard = 0;
    // No timing report yet right after the start: nothing has been heard.
    if (pa_stream_get_time(m_stream, &heard) == 0)
        m_lastPlayed = std::max(m_lastPlayed, qint64(heard * pa_usec_t(m_sampleRate) / 1000000));
    return m_lastPlayed;
}
