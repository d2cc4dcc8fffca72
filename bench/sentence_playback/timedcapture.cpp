#include "bench/sentence_playback/timedcapture.h"

#include "bench/sentence_playback/processcpu.h"

#include <QProcess>
#include <cstring>

TimedCapture::~TimedCapture()
{
    stop();
}

bool TimedCapture::start(int timeoutMs)
{
    stop();
    {
        std::lock_guard lock(m_mutex);
        m_data.clear();
        m_deliveries.clear();
        m_error.clear();
    }
    m_stopping = false;
    m_reader.reset(QThread::create([this] { read(); }));
    m_reader->start();
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < deadline) {
        {
            std::lock_guard lock(m_mutex);
            if (!m_deliveries.empty())
                return true;
            if (!m_error.isEmpty())
                break;
        }
        QThread::msleep(5);
    }
    stop();
    std::lock_guard lock(m_mutex);
    if (m_error.isEmpty())
        m_error = QStringLiteral("the monitor delivers nothing");
    return false;
}

std::vector<qint16> TimedCapture::stop()
{
    if (!m_reader)
        return {};
    m_stopping = true;
    m_reader->wait();
    m_reader.reset();

    std::lock_guard lock(m_mutex);
    // A recording frame reaches us only after the monitor had it, never before: the earliest
    // delivery relative to its frame count pins the timeline.
    m_frameZero = Clock::time_point::max();
    for (const Delivery& d : m_deliveries) {
        const auto frameZero =
            d.at - std::chrono::nanoseconds(d.framesSoFar * 1000000000 / sampleRate);
        m_frameZero = std::min(m_frameZero, frameZero);
    }
    const qsizetype frames = m_data.size() / 4;
    std::vector<qint16> samples(size_t(frames) * 2);
    std::memcpy(samples.data(), m_data.constData(), size_t(frames) * 4);
    m_data.clear();
    return samples;
}

QString TimedCapture::errorString() const
{
    std::lock_guard lock(m_mutex);
    return m_error;
}

double TimedCapture::frameAt(Clock::time_point moment) const
{
    const auto since = std::chrono::duration<double>(moment - m_frameZero);
    return since.count() * sampleRate;
}

void TimedCapture::read()
{
    QProcess parec;
    // A short latency makes parec hand over every few milliseconds, which is what pins the
    // timeline to within a few milliseconds.
    parec.start(QStringLiteral("parec"),
                {QStringLiteral("-d"), QStringLiteral("nullsink.monitor"),
                 QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"),
                 QStringLiteral("--channels=2"), QStringLiteral("--raw"),
                 QStringLiteral("--latency-msec=10")});
    if (!parec.waitForStarted(5000)) {
        std::lock_guard lock(m_mutex);
        m_error = QStringLiteral("parec did not start: ") + parec.errorString();
        return;
    }
    while (!m_stopping) {
        if (!parec.waitForReadyRead(50)) {
            if (parec.state() == QProcess::NotRunning) {
                std::lock_guard lock(m_mutex);
                m_error = QStringLiteral("parec ended: ") +
                          QString::fromLocal8Bit(parec.readAllStandardError()).trimmed();
                break;
            }
            continue;
        }
        const QByteArray chunk = parec.readAllStandardOutput();
        const auto at = Clock::now();
        std::lock_guard lock(m_mutex);
        m_data += chunk;
        m_deliveries.push_back({at, m_data.size() / 4});
        m_readerCpuNs = ProcessCpu::threadNs();
    }
    parec.terminate();
    if (!parec.waitForFinished(3000)) {
        parec.kill();
        parec.waitForFinished(2000);
    }
    m_readerCpuNs = ProcessCpu::threadNs();
}
