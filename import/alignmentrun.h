#pragma once

#include "align/sentencealigner.h"

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <memory>

class QThread;

// What one alignment came to.
struct AlignmentReport
{
    QString decodeError; // in Chinese; set when the recording could not be read
    SentenceAligner::Result result;
    double recordingSeconds = 0;
    // Of the times given, how many start past the recording's end: those lines were left out
    // and the spans are one for each line before them.
    int beyondRecording = 0;
};

// Decodes a recording and aligns a text with it on a thread of its own.
//
// The thread shares nothing with this object but a small job record that both hold, so an
// object deleted mid-run (its dialog closed) only raises the job's cancel flag: the thread
// finishes on its own, soon, and deletes itself. Progress is read from the job by a timer here
// rather than sent from the thread, for the same reason.
class AlignmentRun : public QObject
{
    Q_OBJECT
public:
    explicit AlignmentRun(QObject* parent = nullptr);
    ~AlignmentRun() override;

    // Starts a run, cancelling any earlier one.
    void start(const QString& recording, const QStringList& sentences);
    // Starts a run that places sentences at the times a timed text gave them (one for each
    // sentence), moving the boundaries into the speaker's pauses unless `keepTimes`.
    void start(const QString& recording, const QStringList& sentences,
               const QList<SentenceAligner::Span>& given, bool keepTimes);
    // Returns at once; a cancelled run reports nothing more.
    void cancel();
    bool isRunning() const { return m_job != nullptr; }

signals:
    // The share done, 0..1; decoding counts as the first tenth.
    void progressChanged(double done);
    // Every run not cancelled through cancel() ends with exactly one of these.
    void finished(const AlignmentReport& report);

private:
    struct Job;
    void pollProgress();
    void jobFinished(const std::shared_ptr<Job>& job);

    std::shared_ptr<Job> m_job;
    QTimer m_poll;
    int m_reportedPermille = -1;
};
