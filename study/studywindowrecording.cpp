// The study window's voice recording: record, replay and keep a copy.
#include "audio/voicerecorder.h"
#include "shadowing/shadowingsession.h"
#include "study/studywindow.h"
#include "widgets/facebutton.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QSaveFile>

namespace {
const QString recordCaption = QStringLiteral("● 录音");
const QString stopCaption = QStringLiteral("停止录音");
} // namespace

QString StudyWindow::recordingFile() const
{
    return m_paths.tempPath.isEmpty()
               ? QString()
               : QDir(m_paths.tempPath).filePath(QStringLiteral("mcesound.wav"));
}

void StudyWindow::recordingButtonReleased(int index)
{
    switch (index) {
    case RecordVoice:
        toggleRecording();
        break;
    case PlayRecording:
        replayRecording();
        break;
    case SaveRecording:
        saveRecordingAs();
        break;
    default:
        break;
    }
}

void StudyWindow::toggleRecording()
{
    if (m_sentenceButtons[RecordVoice]->caption() == recordCaption) {
        // One microphone, one recording: the learner's own recording ends a shadowing session.
        if (m_shadowing && m_shadowing->isActive()) {
            m_shadowing->stop();
        }
        m_sentenceButtons[RecordVoice]->setCaption(stopCaption);
        m_sentenceButtons[PlayRecording]->setEnabled(false);
        m_sentenceButtons[SaveRecording]->setEnabled(false);
        m_replay.controls().stop();
        if (!m_recorder) {
            m_recorder = std::make_unique<VoiceRecorder>();
        }
        if (!m_recorder->start(recordingFile())) {
            // Nothing is being recorded: the button offers to record again, and the last
            // recording can still be replayed and saved.
            m_sentenceButtons[RecordVoice]->setCaption(recordCaption);
            const bool haveRecording = QFileInfo::exists(recordingFile());
            m_sentenceButtons[PlayRecording]->setEnabled(haveRecording);
            m_sentenceButtons[SaveRecording]->setEnabled(haveRecording);
            m_prompts.notify(m_recorder->error() == VoiceRecorder::Error::NoInputDevice
                                 ? QStringLiteral("没有找到麦克风，无法录音。请接上麦克风后再试。")
                             : m_recorder->error() == VoiceRecorder::Error::CannotWrite
                                 ? QStringLiteral("无法写入录音文件，录音没有开始。")
                                 : QStringLiteral("录音设备无法使用（可能正被其他程序占用）。"));
        }
        return;
    }
    m_sentenceButtons[PlayRecording]->setEnabled(true);
    m_sentenceButtons[SaveRecording]->setEnabled(true);
    m_sentenceButtons[RecordVoice]->setCaption(recordCaption);
    // A recording that never started was reported when it failed to start.
    if (m_recorder && m_recorder->isRecording() && !m_recorder->stop()) {
        m_prompts.notify(QStringLiteral("录音没有保存成功，上一次的录音仍然保留。"));
    }
}

void StudyWindow::replayRecording()
{
    if (!QFileInfo::exists(recordingFile())) {
        m_prompts.notify(QStringLiteral("还没有录音。请先按“● 录音”录下自己的声音。"));
        return;
    }
    // The replay runs beside the window, which stays usable meanwhile.
    m_replay.setUrl(recordingFile());
    m_replay.setEndPosition(-1);
    m_replay.controls().setCurrentPosition(0);
    m_replay.controls().play();
}

void StudyWindow::saveRecordingAs()
{
    if (!QFileInfo::exists(recordingFile())) {
        m_prompts.notify(QStringLiteral("还没有录音可以保存。"));
        return;
    }
    QString target = m_prompts.savePath().trimmed();
    if (target.isEmpty()) {
        return;
    }
    if (!target.endsWith(QStringLiteral(".wav"), Qt::CaseInsensitive)) {
        target += QStringLiteral(".wav");
    }
    if (QFileInfo::exists(target) && !m_prompts.confirmReplace(target)) {
        return;
    }
    // The save file writes under a temporary name of its own and renames it over the target
    // only once whole: a failure leaves the learner's file as it was, and nothing the program
    // did not create is ever removed.
    QFile recording(recordingFile());
    QSaveFile copy(target);
    const bool saved = recording.open(QIODevice::ReadOnly) && copy.open(QIODevice::WriteOnly) &&
                       copy.write(recording.readAll()) == recording.size() && copy.commit();
    if (!saved) {
        m_prompts.notify(QStringLiteral("无法保存到 %1，请换一个文件夹。")
                             .arg(QDir::toNativeSeparators(target)));
    }
}

void StudyWindow::installDefaultPrompts()
{
    m_prompts.savePath = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("保存"), QDir::homePath(),
                                            QStringLiteral("wav(*.wav)"), nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    };
    m_prompts.confirmReplace = [this](const QString& path) {
        return QMessageBox::question(this, QStringLiteral("保存"),
                                     QStringLiteral("文件 %1 已经存在，要替换它吗？")
                                         .arg(QDir::toNativeSeparators(path))) == QMessageBox::Yes;
    };
    m_prompts.notify = [this](const QString& text) {
        // Beside the window, not blocking it: a reading or a replay goes on meanwhile.
        auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Orlune"), text,
                                    QMessageBox::Ok, this);
        box->setObjectName(QStringLiteral("notice"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        box->show();
    };
}
