#include "import/folderimportrun.h"

#include <QMutex>
#include <QThread>
#include <atomic>

struct FolderImportRun::Job
{
    FolderImport::Sources sources;
    FolderImport::Plan plan;
    bool keepTimes = false;
    std::atomic<bool> cancelled{false};
    std::atomic<int> current{0};  // the item being imported
    std::atomic<int> permille{0}; // of the current item
    std::atomic<bool> done{false};
    QMutex mutex;                                 // guards `outcomes`
    QList<QList<FolderImport::Outcome>> outcomes; // one entry for each finished item, in order
};

namespace {

// How long the window waits at close for a cancelled run's thread: a lesson being stored takes
// milliseconds, a decoding notices the cancel within a second of sound.
constexpr int closingWaitMilliseconds = 5000;

} // namespace

FolderImportRun::FolderImportRun(QObject* parent) : QObject(parent)
{
    m_poll.setInterval(100);
    connect(&m_poll, &QTimer::timeout, this, &FolderImportRun::poll);
}

FolderImportRun::~FolderImportRun()
{
    if (m_job) {
        m_job->cancelled = true;
    }
    if (!m_thread) {
        return;
    }
    if (m_thread->wait(closingWaitMilliseconds)) {
        delete m_thread;
        return;
    }
    // Nobody's now: the thread deletes itself once done.
    QThread* thread = m_thread;
    thread->disconnect(this);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    if (thread->isFinished()) {
        thread->deleteLater();
    }
}

void FolderImportRun::start(const FolderImport::Sources& sources, const FolderImport::Plan& plan,
                            bool keepTimes)
{
    if (m_job) {
        return;
    }
    auto job = std::make_shared<Job>();
    job->sources = sources;
    job->plan = plan;
    job->keepTimes = keepTimes;
    m_job = job;
    m_reported = 0;
    m_started = -1;
    m_thread = QThread::create([job] {
        for (qsizetype i = 0; i < job->plan.items.size(); ++i) {
            job->current = int(i);
            job->permille = 0;
            QList<FolderImport::Outcome> outcomes;
            if (job->cancelled) {
                for (int lesson : job->plan.items[i].lessons) {
                    outcomes.append({lesson, FolderImport::Outcome::Status::Cancelled, {}, {}});
                }
            } else {
                outcomes = FolderImport::importItem(job->sources, job->plan, job->plan.items[i],
                                                    job->keepTimes, [&job = *job](double share) {
                                                        job.permille = int(share * 1000);
                                                        return !job.cancelled;
                                                    });
            }
            const QMutexLocker lock(&job->mutex);
            job->outcomes << outcomes;
        }
        job->done = true;
    });
    connect(m_thread, &QThread::finished, this, &FolderImportRun::poll);
    m_thread->start(QThread::LowPriority);
    m_poll.start();
}

void FolderImportRun::cancel()
{
    if (m_job) {
        m_job->cancelled = true;
    }
}

void FolderImportRun::poll()
{
    if (!m_job) {
        return;
    }
    const std::shared_ptr<Job> job = m_job;
    QList<QList<FolderImport::Outcome>> fresh;
    {
        const QMutexLocker lock(&job->mutex);
        fresh = job->outcomes.mid(m_reported);
    }
    for (const QList<FolderImport::Outcome>& outcomes : std::as_const(fresh)) {
        if (m_started < m_reported) {
            emit itemStarted(m_reported);
        }
        m_started = m_reported;
        emit itemFinished(m_reported++, outcomes);
    }
    const qsizetype count = job->plan.items.size();
    if (const int current = job->current;
        current >= m_reported && current < count && current != m_started && !job->done) {
        m_started = current;
        emit itemStarted(current);
    }
    const double share = job->done ? 1.0 : (m_reported + job->permille / 1000.0) / double(count);
    emit progressChanged(std::min(share, 1.0));
    if (job->done && m_reported == count && m_thread->isFinished()) {
        m_poll.stop();
        m_job.reset();
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
        emit finished(job->cancelled);
    }
}
