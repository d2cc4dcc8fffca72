#include "study/recordingcontrols.h"

#include "audio/voicerecorder.h"
#include "widgets/facebutton.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
const QString recordCaption = QStringLiteral("● 录音");
const QString stopCaption = QStringLiteral("停止录音");
} // namespace

RecordingControls::RecordingControls(Buttons buttons, QString recordingFile, StudyPrompts& prompts,
                                     QObject* parent)
    : QObject(parent), m_buttons(buttons), m_recordingFile(std::move(recordingFile)),
      m_prompts(prompts)
{}

RecordingControls::~RecordingControls() = default;

void RecordingControls::toggleRecording()
{
    if (m_buttons.record->caption() == recordCaption) {
        emit recordingStarts();
        m_buttons.record->setCaption(stopCaption);
        m_buttons.playBack->setEnabled(false);
        m_buttons.save->setEnabled(false);
        m_replay.controls().stop();
        if (!m_recorder) {
            m_recorder = std::make_unique<VoiceRecorder>();
        }
        if (!m_recorder->start(m_recordingFile)) {
            // Nothing is being recorded: the button offers to record again, and the last
            // recording can still be replayed and saved.
            m_buttons.record->setCaption(recordCaption);
            const bool haveRecording = QFileInfo::exists(m_recordingFile);
            m_buttons.playBack->setEnabled(haveRecording);
            m_buttons.save->setEnabled(haveRecording);
            m_prompts.notify(m_recorder->error() == VoiceRecorder::Error::NoInputDevice
                                 ? QStringLiteral("没有找到麦克风，无法录音。请接上麦克风后再试。")
                             : m_recorder->error() == VoiceRecorder::Error::CannotWrite
                                 ? QStringLiteral("无法写入录音文件，录音没有开始。")
                                 : QStringLiteral("录音设备无法使用（可能正被其他程序占用）。"));
        }
        return;
    }
    m_buttons.playBack->setEnabled(true);
    m_buttons.save->setEnabled(true);
    m_buttons.record->setCaption(recordCaption);
    // A recording that never started was reported when it failed to start.
    if (m_recorder && m_recorder->isRecording() && !m_recorder->stop()) {
        m_prompts.notify(QStringLiteral("录音没有保存成功，上一次的录音仍然保留。"));
    }
}

void RecordingControls::replay()
{
    if (!QFileInfo::exists(m_recordingFile)) {
        m_prompts.notify(QStringLiteral("还没有录音。请先按“● 录音”录下自己的声音。"));
        return;
    }
    // The replay runs beside the window, which stays usable meanwhile.
    m_replay.setUrl(m_recordingFile);
    m_replay.setEndPosition(-1);
    m_replay.controls().setCurrentPosition(0);
    m_replay.controls().play();
}

void RecordingControls::saveAs()
{
    if (!QFileInfo::exists(m_recordingFile)) {
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
    QFile recording(m_recordingFile);
    QSaveFile copy(target);
    const bool saved = recording.open(QIODevice::ReadOnly) && copy.open(QIODevice::WriteOnly) &&
                       copy.write(recording.readAll()) == recording.size() && copy.commit();
    if (!saved) {
        m_prompts.notify(QStringLiteral("无法保存到 %1，请换一个文件夹。")
                             .arg(QDir::toNativeSeparators(target)));
    }
}

void RecordingControls::release()
{
    m_replay.close();
    m_recorder.reset();
}
