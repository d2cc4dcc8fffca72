#pragma once

#include <QByteArray>
#include <QString>
#include <QThread>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

// Records the PulseAudio null sink's monitor (16-bit stereo, 44100 Hz) and keeps the monitor's
// timeline, so a wall-clock moment can be placed at a frame of the recording.
//
// The reading runs on a thread of its own, so the process under test pays for no wake-ups
// beyond what capturingCpuNs() reports, and a busy main thread delays no delivery.
class TimedCapture
{
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int sampleRate = 44100;

    TimedCapture() = default;
    ~TimedCapture();
    TimedCapture(const TimedCapture&) = delete;
    TimedCapture& operator=(const TimedCapture&) = delete;

    // Returns once the monitor delivers data; false (see errorString()) otherwise.
    bool start(int timeoutMs = 5000);
    // Ends the recording and returns it, interleaved.
    std::vector<qint16> stop();
    QString errorString() const;

    // The frame of the recording that was at the monitor at `moment`. Valid after stop().
    double frameAt(Clock::time_point moment) const;
    // CPU time spent so far by the reading thread.
    qint64 capturingCpuNs() const { return m_readerCpuNs.load(); }

private:
    struct Delivery
    {
        Clock::time_point at;
        qint64 framesSoFar = 0;
    };

    void read();

    std::unique_ptr<QThread> m_reader;
    std::atomic<bool> m_stopping = false;
    std::atomic<qint64> m_readerCpuNs = 0;
    mutable std::mutex m_mutex;
    QByteArray m_data;
    std::vector<Delivery> m_deliveries;
    QString m_error;
    Clock::time_point m_frameZero;
};
