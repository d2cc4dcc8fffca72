#include "study/starredreading.h"

#include "study/studywindow.h"

using namespace Qt::StringLiterals;

namespace {
// The pause between two starred sentences, as between two sentences of a whole-lesson reading.
constexpr int pauseMs = 1000;
} // namespace

StarredReading::StarredReading(StudyWindow& window, QObject* parent)
    : QObject(parent), m_window(window)
{
    m_pause.setSingleShot(true);
    m_pause.setInterval(pauseMs);
    connect(&m_pause, &QTimer::timeout, this, &StarredReading::playNext);
    connect(&window.player(), &MediaPlayer::endReached, this, [this] { m_ended = true; });
    // A repeat began: its end is still to come.
    connect(&window.player(), &MediaPlayer::followOnStarted, this, [this] { m_ended = false; });
    connect(
        &window.player(), &MediaPlayer::playStateChanged, this,
        [this](MediaPlayer::PlayState state) { playStateChanged(state == MediaPlayer::Playing); });
}

bool StarredReading::start(const QList<StarredSentence>& sentences, QString* why)
{
    stop();
    if (sentences.isEmpty()) {
        *why = u"还没有星标句。在学习窗口里按 Ctrl+D，或在当前句子上点右键，可以把句子标为难句。"_s;
        return false;
    }
    m_queue = sentences;
    m_next = 0;
    m_active = true;
    playNext();
    return m_active;
}

void StarredReading::stop()
{
    const bool was = m_active;
    m_active = false;
    m_pause.stop();
    if (was) {
        m_window.player().controls().stop();
        emit finished();
    }
}

void StarredReading::playNext()
{
    m_starting = true;
    while (m_active && m_next < m_queue.size()) {
        const StarredSentence& s = m_queue[m_next++];
        if (m_window.lessonBook() != s.book || m_window.lessonNumber() != s.lesson) {
            m_window.openLesson(s.book, s.lesson);
        }
        // A lesson imported anew since the star may hold fewer sentences: skip what is gone.
        if (m_window.lessonBook() != s.book || m_window.lessonNumber() != s.lesson ||
            s.index >= m_window.sentences().count() ||
            !m_window.sentences().hasUsableTimes(s.index)) {
            continue;
        }
        m_ended = false;
        emit sentenceStarted(s.book, s.lesson, s.index);
        m_window.playCurrentSentence(s.index);
        if (m_window.player().playState() == MediaPlayer::Playing) {
            m_starting = false;
            return;
        }
    }
    m_starting = false;
    stop();
}

void StarredReading::playStateChanged(bool playing)
{
    if (!m_active || playing || m_pause.isActive() || m_starting) {
        return;
    }
    // The player says it stopped before it says why: a stop at the sentence's end (its repeats
    // are over by then) is followed at once by its end report. Stopped by itself: on to the
    // next. Stopped by the learner: the practice ends.
    QTimer::singleShot(0, this, [this] {
        if (!m_active || m_pause.isActive() ||
            m_window.player().playState() == MediaPlayer::Playing) {
            return;
        }
        if (m_ended) {
            m_pause.start();
        } else {
            stop();
        }
    });
}
