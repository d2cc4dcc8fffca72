#pragma once

#include "audio/soundoutput.h"

#include <QByteArray>
#include <QTimer>

struct pa_context;
struct pa_mainloop;
struct pa_stream;

// The output as a PulseAudio client of its own, on the server's default sink. Everything runs
// on the caller's thread: a timer feeds the stream and turns libpulse's main loop without
// blocking, and only opening a connection or a stream waits, for at most two seconds, so a
// server that hangs cannot freeze the window. A connection found broken is dropped and the
// next start() connects again, however long the server was away.
class PulseSoundOutput : public SoundOutput
{
    Q_OBJECT
public:
    explicit PulseSoundOutput(QObject* parent = nullptr);
    ~PulseSoundOutput() override;

    bool start(QIODevice* source, int sampleRate) override;
    void stop() override;
    void release() override;
    bool isRunning() const override { return m_stream != nullptr; }
    qint64 playedFrames() const override;

private:
    bool connectServer();
    bool openStream(int sampleRate);
    // Runs the main loop's pending work without waiting; false once the connection or the
    // stream has failed.
    bool pump();
    // Turns the main loop until ready() holds or the connection fails, at most timeoutMs.
    template <typename Ready> bool waitUntil(Ready ready, int timeoutMs);
    void feed();

    pa_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    QIODevice* m_source = nullptr;
    QTimer m_feedTimer;
    QByteArray m_buffer;
    int m_sampleRate = 0;
    mutable qint64 m_lastPlayed = 0;
};
