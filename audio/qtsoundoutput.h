#pragma once

#include "audio/soundoutput.h"

#include <QAudio>
#include <QAudioDevice>

class QAudioSink;

// The output through QAudioSink on the system's default output device.
class QtSoundOutput : public SoundOutput
{
    Q_OBJECT
public:
    explicit QtSoundOutput(QObject* parent = nullptr);
    ~QtSoundOutput() override;

    bool start(QIODevice* source, int sampleRate) override;
    void stop() override;
    void release() override;
    bool isRunning() const override;
    qint64 playedFrames() const override;

private:
    void onStateChanged(QAudio::State state);

    QAudioSink* m_sink = nullptr;
    QAudioDevice m_device;
    int m_sampleRate = 0;
    bool m_stopping = false;
};
