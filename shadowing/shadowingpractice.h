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

// Shadowing as the study window offers it: the session over its devices, the panel inside the
// window that shows the sentence, the step and both waveforms while a session runs (it goes
// when the session ends, however it ends), and the takes kept while the lesson is open. The
// window keeps the current sentence shown as shadowing moves on (sentenceReached()), the stop
// command usable while a session runs, and room for the panel while it shows
// (panelVisibilityChanged()).
class ShadowingPractice : public QObject
{
    Q_OBJECT
public:
    // `host` is the part of the study window the panel stands in; `notify` tells the learner
    // something.
    ShadowingPractice(MediaPlayer& lessonPlayer, LessonReading& reading, QWidget* host,
                      const QString& takeFolder, std::function<void(const QString&)> notify);
    ~ShadowingPractice() override;

    // Shadows the lesson from the current sentence; a second call ends it.
    void toggle();
    // Plays the current sentence and then the learner's take of it.
    void compare();
    // Keeps to the current sentence, round and round, instead of moving on.
    void setHoldSentence(bool hold);
    bool holdsSentence() const { return m_session.holdsSentence(); }
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
    void holdSentenceChanged(bool hold);
    void panelVisibilityChanged();

private:
    void showPanel();
    void hidePanel();
    void stepChanged(int sentence);
    void showComparison(int sentence);
    void failed(ShadowingSession::Failure failure, const QString& message);

    MediaPlayer& m_lessonPlayer;
    LessonReading& m_reading;
    QWidget* m_host;
    std::function<void(const QString&)> m_notify;
    MediaPlayer m_takePlayer;
    ShadowingDevices m_devices;
    ShadowingSession m_session;
    QPointer<ShadowingPanel> m_panel;
};
