#pragma once

#include <QObject>
#include <memory>

class QIODevice;

// Where the playback engine's frames go: one stream of interleaved 16-bit stereo at one rate,
// pulled from a source as the device needs it. A stream that breaks off by itself (a lost
// device or sound server) is reported once with failed(); the next start() opens everything
// afresh, so sound comes back as soon as the device or server does.
class SoundOutput : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The platform's output: a PulseAudio client of our own on Linux, whose connection can be
    // made again after the server restarts (Qt's cannot), and Qt's audio sink elsewhere.
    static std::unique_ptr<SoundOutput> create();

    // Stops any running stream and starts a new one that reads source from its first byte.
    // False, with nothing running, when no output could be opened.
    virtual bool start(QIODevice* source, int sampleRate) = 0;
    // Ends the stream at once, dropping what is queued. Reports nothing.
    virtual void stop() = 0;
    // Stops and forgets the device or server connection: the next start() opens it anew.
    virtual void release() = 0;
    virtual bool isRunning() const = 0;
    // The frames the device has played since start(), as far as it tells; 0 when stopped.
    virtual qint64 playedFrames() const = 0;

signals:
    // The running stream broke off by itself; it is stopped now.
    void failed();
};
