#pragma once

#include "audio/mediaplayer.h"
#include "shadowing/shadowingdevices.h"
#include "shadowing/shadowingsession.h"

#include <QObject>
#include <QPointer>
#include <functional>

class LessonReading;
class QWidget;
class ShadowingPanel;

// Shadowing as the study window offers it: the session over its devices, the panel beside the
// window that shows the sentence, the step and both waveforms, and the takes kept while the
// lesson is open. The window keeps the current sentence shown as shadowing moves on
// (sentenceReached()) and the stop command usable while a session runs.
class ShadowingPractice : public QObject
{
    Q_OBJECT
public:
    // `window` is where the panel stands beside; `notify` tells the learner something.
    ShadowingPractice(MediaPlayer& lessonPlayer, LessonReading& reading, QWidget* window,
                      const QString& takeFolder, std::function<void(const QString&)> notify);
    ~ShadowingPractice() override;

    // Shadows the lesson from the current sentence; a second call ends it.
    void toggle();
    // Plays the current sentence and then the learner's take of it.
    void compare();
    // Another lesson is opened, or the program ends: the takes go and the panel hides.
    void dropTakes();

    ShadowingSession& session() { return m_session; }
    ShadowingPanel* panel() const;
    MediaPlayer& takePlayer() { return m_takePlayer; }

signals:
    // Shadowing moved on to sentence i: it is the current sentence from now on.
    void sentenceReached(int i);
    void started();
    void ended();

private:
    void showPanel();
    void stepChanged(int sentence);
    void showComparison(int sentence);
    void failed(ShadowingSession::Failure failure, const QString& message);

    MediaPlayer& m_lessonPlayer;
    LessonReading& m_reading;
    QWidget* m_window;
    std::function<void(const QString&)> m_notify;
    MediaPlayer m_takePlayer;
    ShadowingDevices m_devices;
    ShadowingSession m_session;
    QPointer<ShadowingPanel> m_panel;
};
