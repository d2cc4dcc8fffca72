#pragma once

#include "audio/mediaplayer.h"
#include "study/studyprompts.h"

#include <QObject>
#include <memory>

class FaceButton;
class VoiceRecorder;

// The learner's own voice: "● 录音" / "停止录音" records into one file in the private temporary
// folder (each recording replaces the last once it is stopped), "回  放" plays it beside the
// window and "另存为" keeps a copy as WAV where the learner chooses.
class RecordingControls : public QObject
{
    Q_OBJECT
public:
    struct Buttons
    {
        FaceButton* record;
        FaceButton* playBack;
        FaceButton* save;
    };
    // `recordingFile` is "" when there is no private folder to record into.
    RecordingControls(Buttons buttons, QString recordingFile, StudyPrompts& prompts,
                      QObject* parent = nullptr);
    ~RecordingControls() override;

    void toggleRecording();
    void replay();
    void saveAs();
    // The program ends: an unfinished recording is dropped, the replay stops.
    void release();

    const QString& recordingFile() const { return m_recordingFile; }
    MediaPlayer& replayPlayer() { return m_replay; }

signals:
    // A recording is about to start: nothing else may use the microphone.
    void recordingStarts();

private:
    Buttons m_buttons;
    QString m_recordingFile;
    StudyPrompts& m_prompts;
    std::unique_ptr<VoiceRecorder> m_recorder;
    MediaPlayer m_replay;
};
