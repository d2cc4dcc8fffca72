#include "monitorcapture.h"

#include <QTest>
#include <cstring>

MonitorCapture::MonitorCapture()
{
    QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_process,
                     [this] { collect(); });
}

MonitorCapture::~MonitorCapture()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

bool MonitorCapture::start(int timeoutMs)
{
    m_data.clear();
    m_error.clear();
    // A short latency makes parec hand data over at once instead of in two-second blocks.
    m_process.start(QStringLiteral("parec"),
                    {QStringLiteral("-d"), QStringLiteral("nullsink.monitor"),
                     QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"),
                     QStringLiteral("--channels=2"), QStringLiteral("--raw"),
                     QStringLiteral("--latency-msec=10")});
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("parec did not start: ") + m_process.errorString();
        return false;
    }
    if (!QTest::qWaitFor(
            [this] { return !m_data.isEmpty() || m_process.state() == QProcess::NotRunning; },
            timeoutMs) ||
        m_data.isEmpty()) {
        m_error = QStringLiteral("parec delivers nothing: ") +
                  QString::fromLocal8Bit(m_process.readAllStandardError());
        m_process.kill();
        m_process.waitForFinished(2000);
        return false;
    }
    return true;
}

std::vector<qint16> MonitorCapture::stop(int settleMs)
{
    QTest::qWait(settleMs);
    collect();
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
    collect();
    const qsizetype frames = m_data.size() / 4;
    std::vector<qint16> samples(size_t(frames) * 2);
    std::memcpy(samples.data(), m_data.constData(), size_t(frames) * 4);
    m_data.clear();
    return samples;
}

void MonitorCapture::collect()
{
    m_data += m_process.readAllStandardOutput();
}
