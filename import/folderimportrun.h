#pragma once

#include "lessonimport/folderimport.h"

#include <QObject>
#include <QTimer>
#include <memory>

class QThread;

// Imports the items of a folder's plan one after another on a thread of its own.
//
// The thread shares only a small job record with this object. Cancelling raises the job's flag:
// the decoding and the alignment ask for it often, so the thread stops within moments, and the
// lessons it had not stored keep what they held. What the thread did is read from the job by a
// timer here, never sent from the thread.
class FolderImportRun : public QObject
{
    Q_OBJECT
public:
    explicit FolderImportRun(QObject* parent = nullptr);
    // Cancels a run still going and waits a little for its thread, so that a lesson being
    // stored at that moment is finished rather than cut off at exit.
    ~FolderImportRun() override;

    void start(const FolderImport::Sources& sources, const FolderImport::Plan& plan,
               bool keepTimes);
    // Returns at once; the run still ends with finished(), its remaining lessons Cancelled.
    void cancel();
    bool isRunning() const { return m_job != nullptr; }

signals:
    void itemStarted(int item);
    // One outcome for each of the item's lessons.
    void itemFinished(int item, const QList<FolderImport::Outcome>& outcomes);
    // The share of the whole folder done, 0..1.
    void progressChanged(double done);
    // After the last itemFinished(): every item has its outcomes.
    void finished(bool cancelled);

private:
    struct Job;
    void poll();

    std::shared_ptr<Job> m_job;
    QThread* m_thread = nullptr;
    QTimer m_poll;
    int m_reported = 0; // items whose outcomes were emitted
    int m_started = -1; // the last item reported started
};
