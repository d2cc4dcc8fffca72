#pragma once

#include "lessons/starredsentences.h"

#include <QList>
#include <QObject>
#include <QTimer>

class StudyWindow;

// "只练星标句": the starred sentences of every lesson, book by book and lesson by lesson, each
// played as a click plays it (with the chosen speed and repeats), a second apart; their lessons
// open one after another in the study window. A stop by the learner, or the last sentence,
// ends it.
class StarredReading : public QObject
{
    Q_OBJECT
public:
    StarredReading(StudyWindow& window, QObject* parent = nullptr);

    // False, with nothing started, when there is nothing to read; `why` in Chinese.
    bool start(const QList<StarredSentence>& sentences, QString* why);
    void stop();
    bool isActive() const { return m_active; }

signals:
    void sentenceStarted(int book, int lesson, int sentence);
    void finished();

private:
    void playNext();
    void playStateChanged(bool playing);

    StudyWindow& m_window;
    QList<StarredSentence> m_queue;
    qsizetype m_next = 0;
    bool m_active = false;
    bool m_ended = false;    // the current sentence reached its end by itself
    bool m_starting = false; // opening a lesson stops the player: no stop of the learner's
    QTimer m_pause;
};
