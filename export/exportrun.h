#pragma once

#include "export/deckexport.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

class QThread;

// Runs one export on a thread of its own, so the window that asked for it keeps painting and
// can cancel it. The export itself saves its file in one step at the end, so a run cancelled or
// failed leaves no file behind, and an existing one as it was.
//
// Progress is read from the shared job by a timer here rather than sent from the thread. Deleting
// the run cancels it and waits for the thread: at most one sentence's clip and the final save,
// so when the program ends a file is either whole or not there.
class ExportRun : public QObject
{
    Q_OBJECT
public:
    // The export to run, called on the thread with the progress it is to report through.
    using Work = std::function<DeckExport::Summary(const DeckExport::Progress&)>;

    explicit ExportRun(QObject* parent = nullptr);
    ~ExportRun() override;

    // False, with nothing started, while an earlier run goes on.
    bool start(Work work);
    // Asks the running export to stop; it then finishes with a cancelled summary (unless it was
    // already saving its file).
    void cancel();
    bool isRunning() const { return m_thread != nullptr; }

signals:
    void progressChanged(int done, int total);
    // Once for every run started.
    void finished(const DeckExport::Summary& summary);

private:
    struct Job;
    void pollProgress();
    void threadFinished();

    std::shared_ptr<Job> m_job;
    QThread* m_thread = nullptr;
    QTimer m_poll;
};
