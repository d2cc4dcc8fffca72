#include "import/alignmentrun.h"

#include <QThread>
#include <atomic>

struct AlignmentRun::Job
{
    QString recording;
    QStringList sentences;
    QList<SentenceAligner::Span> given;
    bool keepTimes = false;
    std::atomic<bool> cancelled{false};
    std::atomic<int> permille{0};
    // Written by the thread, read only once it has finished.
    AlignmentReport report;
};

namespace {
constexpr int decodedPermille = 100;
} // namespace

AlignmentRun::AlignmentRun(QObject* parent) : QObject(parent)
{
    m_poll.setInterval(100);
    connect(&m_poll, &QTimer::timeout, this, &AlignmentRun::pollProgress);
}

AlignmentRun::~AlignmentRun()
{
    cancel();
}

void AlignmentRun::start(const QString& recording, const QStringList& sentences)
{
    start(recording, sentences, {}, false);
}

void AlignmentRun::start(const QString& recording, const QStringList& sentences,
                         const QList<SentenceAligner::Span>& given, bool keepTimes)
{
    cancel();
    auto job = std::make_shared<Job>();
    job->recording = recording;
    job->sentences = sentences;
    job->given = given;
    job->keepTimes = keepTimes;
    m_job = job;
    m_reportedPermille = -1;

    // Deliberately without a parent: the thread outlives this object when the dialog closes
    // mid-run, and deletes itself once done.
    QThread* thread = QThread::create([job] {
        std::vector<float> samples;
        AlignmentReport& report = job->report;
        if (!SentenceAligner::decodeForAlignment(job->recording, &samples, &report.decodeError,
                                                 [&job = *job] { return !job.cancelled; })) {
            if (job->cancelled) {
                report.result.outcome = SentenceAligner::Outcome::Cancelled;
            }
            return;
        }
        report.recordingSeconds = double(samples.size()) / SentenceAligner::sampleRate;
        job->permille = decodedPermille;
        if (job->cancelled) {
            report.result.outcome = SentenceAligner::Outcome::Cancelled;
            return;
        }
        if (!job->given.isEmpty()) {
            QList<SentenceAligner::Span> kept = job->given;
            kept.removeIf([&](const SentenceAligner::Span& span) {
                return span.start >= report.recordingSeconds;
            });
            report.beyondRecording = int(job->given.size() - kept.size());
            SentenceAligner::Options options;
            options.moveBoundariesIntoPauses = !job->keepTimes;
            if (!kept.isEmpty()) {
                report.result = SentenceAligner::placeTimed(samples, kept, options);
            }
            return;
        }
        report.result = SentenceAligner::align(samples, job->sentences, [&job = *job](double done) {
            job.permille = decodedPermille + int(done * (1000 - decodedPermille));
            return !job.cancelled;
        });
    });
    connect(thread, &QThread::finished, this, [this, job] { jobFinished(job); });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start(QThread::LowPriority);
    m_poll.start();
    pollProgress();
}

void AlignmentRun::cancel()
{
    if (!m_job) {
        return;
    }
    m_job->cancelled = true;
    m_job.reset();
    m_poll.stop();
}

void AlignmentRun::pollProgress()
{
    if (!m_job) {
        return;
    }
    const int permille = m_job->permille;
    if (permille != m_reportedPermille) {
        m_reportedPermille = permille;
        emit progressChanged(permille / 1000.0);
    }
}

void AlignmentRun::jobFinished(const std::shared_ptr<Job>& job)
{
    if (job != m_job) {
        return; // superseded or cancelled: its result is no longer wanted
    }
    m_job.reset();
    m_poll.stop();
    emit progressChanged(1.0);
    emit finished(job->report);
}
