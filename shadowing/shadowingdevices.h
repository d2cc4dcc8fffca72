#pragma once

#include "shadowing/shadowingsession.h"

#include <QString>
#include <memory>

class LessonReading;
class MediaPlayer;
class VoiceRecorder;

// The sound devices a shadowing session runs on: the lesson's player for the sentence, a
// recorder of its own for the take, and a second player for the take. A take is cut to the
// seconds it was given; a sentence played here is not the reading's to watch.
class ShadowingDevices
{
public:
    ShadowingDevices(MediaPlayer& lessonPlayer, MediaPlayer& takePlayer, LessonReading& reading);
    ~ShadowingDevices();

    bool playOriginal(int sentence);
    double heardSeconds(int sentence) const;
    bool startRecording(const QString& path);
    double recordedSeconds() const;
    bool stopRecording(double seconds);
    bool playTake(const QString& path);
    void stopAll();
    QString deviceError() const;

    // The session's view of these devices; they must outlive the session.
    ShadowingSession::Devices forSession();

private:
    MediaPlayer& m_lessonPlayer;
    MediaPlayer& m_takePlayer;
    LessonReading& m_reading;
    std::unique_ptr<VoiceRecorder> m_recorder;
    QString m_takePath;
};
