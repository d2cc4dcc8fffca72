#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <vector>

// Records what the PulseAudio null sink plays, through its monitor, as interleaved 16-bit
// stereo at 44100 Hz: the test server of tools/start-pulse.sh runs the sink at exactly that
// format, so the capture can be compared with the source sample by sample.
class MonitorCapture
{
public:
    MonitorCapture();
    ~MonitorCapture();
    MonitorCapture(const MonitorCapture&) = delete;
    MonitorCapture& operator=(const MonitorCapture&) = delete;

    // Returns once the recording stream delivers data, false (see errorString()) otherwise.
    bool start(int timeoutMs = 5000);
    // Waits settleMs for sound still on its way, ends the recording and returns it.
    std::vector<qint16> stop(int settleMs = 300);
    QString errorString() const { return m_error; }

private:
    void collect();

    QProcess m_process;
    QByteArray m_data;
    QString m_error;
};
