#include "audio/backgrounddecode.h"

#include <QMutex>
#include <QThreadPool>
#include <QWaitCondition>

struct BackgroundDecode::State
{
    QMutex mutex;
    QWaitCondition finished;
    bool done = false;
    DecodedAudio audio;
};

BackgroundDecode::BackgroundDecode(const QString& path) : m_state(std::make_shared<State>())
{
    // The worker keeps the state alive by itself, so an abandoned decode finishes unseen.
    QThreadPool::globalInstance()->start([state = m_state, path] {
        DecodedAudio audio = DecodedAudio::fromFile(path);
        QMutexLocker lock(&state->mutex);
        state->audio = std::move(audio);
        state->done = true;
        state->finished.wakeAll();
    });
}

DecodedAudio BackgroundDecode::take()
{
    QMutexLocker lock(&m_state->mutex);
    while (!m_state->done) {
        m_state->finished.wait(&m_state->mutex);
    }
    return std::move(m_state->audio);
}

bool BackgroundDecode::isFinished() const
{
    QMutexLocker lock(&m_state->mutex);
    return m_state->done;
}
