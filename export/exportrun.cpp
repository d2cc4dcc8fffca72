#include "export/exportrun.h"

#include <QThread>
#include <atomic>

struct ExportRun::Job
{
    Work work;
    std::atomic<bool> cancelled{false};
    std::atomic<int> done{0};
    std::atomic<int> total{0};
    // Written by the thread, read only once it has finished.
    DeckExport::Summary summary;
};

ExportRun::ExportRun(QObject* parent) : QObject(parent)
{
    m_poll.setInterval(100);
    connect(&m_poll, &QTimer::timeout, this, &ExportRun::pollProgress);
}

ExportRun::~ExportRun()
{
    if (m_thread) {
        m_job->cancelled = true;
        m_thread->wait();
        delete m_thread;
    }
}

bool ExportRun::start(Work work)
{
    if (m_thread) {
        return false;
    }
    auto job = std::make_shared<Job>();
    job->work = std::move(work);
    m_job = job;
    m_thread = QThread::create([job] {
        job->summary = job->work([&job = *job](int done, int total) {
            job.done = done;
            job.total = total;
            return !job.cancelled;
        });
    });
    connect(m_thread, &QThread::finished, this, &ExportRun::threadFinished);
    m_thread->start(QThread::LowPriority);
    m_poll.start();
    emit progressChanged(0, 0);
    return true;
}

void ExportRun::cancel()
{
    if (m_job) {
        m_job->cancelled = true;
    }
}

void ExportRun::pollProgress()
{
    if (m_job) {
        emit progressChanged(m_job->done, m_job->total);
    }
}

void ExportRun::threadFinished()
{
    m_poll.stop();
    m_thread->wait();
    m_thread->deleteLater();
    m_thread = nullptr;
    const DeckExport::Summary summary = m_job->summary;
    m_job.reset();
    emit finished(summary);
}
