#include "audio/playbackengine.h"

#include "audio/soundoutput.h"

#include <QLoggingCategory>
#include <algorithm>
#include <cmath>

Q_LOGGING_CATEGORY(lcPlayback, "orlune.audio.playback", QtWarningMsg)

namespace {

// At most what the output keeps queued ahead of the sound.
constexpr int bufferMs = 250;
// How long the silence after the last frame plays before the sink is stopped: the device
// latency is estimated from timing reports, and stopping early would cut the sentence's end.
constexpr int endMarginMs = 40;
// An output that has not moved for this many checks, a second apart, is given up.
constexpr int maxStalledChecks = 3;

} // namespace

PlaybackEngine::PlaybackEngine(QObject* parent) : QObject(parent), m_output(SoundOutput::create())
{
    connect(m_output.get(), &SoundOutput::failed, this, &PlaybackEngine::onOutputFailed);
    m_endTimer.setSingleShot(true);
    m_endTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_endTimer, &QTimer::timeout, this, &PlaybackEngine::checkEnd);
    m_watchdog.setInterval(1000);
    connect(&m_watchdog, &QTimer::timeout, this, &PlaybackEngine::checkProgress);
    // Queued: the source announces this from inside the sink's own read call.
    connect(&m_source, &FrameSource::silenceStarted, this, &PlaybackEngine::onSilenceStarted,
            Qt::QueuedConnection);
    connect(&m_source, &FrameSource::continued, this, &PlaybackEngine::onContinued,
            Qt::QueuedConnection);
}

void PlaybackEngine::setFollowOn(qint64 silenceFrames, qint64 startFrame, qint64 stopFrame)
{
    const qint64 frames = m_audio.frameCount();
    startFrame = std::clamp<qint64>(startFrame, 0, frames);
    stopFrame = stopFrame < 0 ? frames : std::min(stopFrame, frames);
    if (silenceFrames < 0 || stopFrame <= startFrame) {
        clearFollowOn();
        return;
    }
    m_followOn = {silenceFrames, startFrame, stopFrame};
    if (m_playing)
        m_source.setContinuation(silenceFrames, startFrame, stopFrame);
}

void PlaybackEngine::clearFollowOn()
{
    m_followOn = {};
    m_source.clearContinuation();
}

void PlaybackEngine::onContinued(qint64 streamFrame)
{
    if (!m_playing || !hasFollowOn())
        return;
    m_stopFrame = m_followOn.stop;
    const qint64 start = m_followOn.start;
    m_followOn = {};
    m_silenceStart = -1;
    m_endTimer.stop();
    // Served now, heard once the output has played what is queued before it.
    const qint64 ahead = std::max<qint64>(0, streamFrame - playedStreamFrames());
    const quint64 run = m_run;
    QTimer::singleShot(int(ahead * 1000 / m_audio.sampleRate()), Qt::PreciseTimer, this,
                       [this, run, start] {
                           if (m_playing && run == m_run) {
                               m_lastHeard = start;
                               emit followOnStarted();
                           }
                       });
}

PlaybackEngine::~PlaybackEngine()
{
    m_endTimer.stop();
    m_watchdog.stop();
    m_source.disconnect(this);
    m_output->disconnect(this);
    m_output.reset();
}

void PlaybackEngine::setAudio(DecodedAudio audio)
{
    stop();
    m_audio = std::move(audio);
    m_source.setSamples(m_audio.samples());
    m_source.setSpeed(m_speed, m_audio.sampleRate());
    m_position = 0;
    m_lastHeard = 0;
    m_stopFrame = -1;
}

qint64 PlaybackEngine::effectiveStop() const
{
    const qint64 frames = m_audio.frameCount();
    return m_stopFrame < 0 ? frames : std::min(m_stopFrame, frames);
}

void PlaybackEngine::play()
{
    if (m_audio.isEmpty() || m_playing)
        return;
    ++m_plays;
    const qint64 start = std::clamp<qint64>(m_position, 0, m_audio.frameCount());
    m_position = start;
    if (start >= effectiveStop()) {
        // Nothing to play before the stop, so no output is needed either. Still report the
        // end, as callers wait for it to move on, but only after play() has returned with the
        // state reading "playing".
        m_playing = true;
        m_lastHeard = start;
        const quint64 run = ++m_run;
        QTimer::singleShot(0, this, [this, run] {
            if (m_playing && run == m_run)
                finish(m_position, Outcome::ReachedEnd);
        });
        emit playingChanged(true);
        return;
    }
    if (!startOutput(start)) {
        reportOutputFailure();
        return;
    }
    m_playing = true;
    emit playingChanged(true);
}

void PlaybackEngine::reportOutputFailure()
{
    // The next play opens the output anew, on whatever device or server is there then.
    m_output->release();
    m_outputLost = true;
    const quint64 play = m_plays;
    QMetaObject::invokeMethod(
        this,
        [this, play] {
            if (m_playing || play != m_plays)
                return;
            clearFollowOn();
            emit outputFailed();
        },
        Qt::QueuedConnection);
}

void PlaybackEngine::setVolume(int volume)
{
    m_volume = std::clamp(volume, 0, 100);
    m_source.setVolume(m_volume);
}

void PlaybackEngine::setSpeed(double speed)
{
    m_speed = speed;
    m_source.setSpeed(m_speed, m_audio.sampleRate());
}

void PlaybackEngine::stop()
{
    clearFollowOn();
    if (m_playing)
        finish(position(), Outcome::Stopped);
}

qint64 PlaybackEngine::position() const
{
    if (!m_playing)
        return m_position;
    if (!m_output->isRunning())
        return m_lastHeard;
    const qint64 heard = m_source.mediaFrameAt(playedStreamFrames());
    m_lastHeard = std::clamp(heard, m_lastHeard, std::max(m_lastHeard, m_source.stopFrame()));
    return m_lastHeard;
}

void PlaybackEngine::setPosition(qint64 frame)
{
    frame = std::clamp<qint64>(frame, 0, m_audio.frameCount());
    if (!m_playing) {
        m_position = frame;
        return;
    }
    stopOutput();
    m_position = frame;
    if (frame >= effectiveStop())
        finish(frame, Outcome::ReachedEnd);
    else if (!startOutput(frame))
        finish(frame, Outcome::OutputFailed);
}

void PlaybackEngine::setStopFrame(qint64 frame)
{
    m_stopFrame = frame < 0 ? -1 : frame;
    if (!m_playing || !m_output->isRunning())
        return;
    const qint64 stop = effectiveStop();
    const qint64 heard = position();
    if (heard >= stop) {
        finish(heard, Outcome::ReachedEnd);
        return;
    }
    const qint64 cursor = m_source.cursor();
    if (stop > cursor && m_source.silenceStart() >= 0 && heard >= cursor) {
        // Only silence is left in the output: go on from the old stop now, not after it.
        stopOutput();
        if (!startOutput(cursor))
            finish(cursor, Outcome::OutputFailed);
        return;
    }
    if (stop >= cursor) {
        if (stop > cursor) {
            // The source resumes the media; the silence it starts later arms the end again.
            m_endTimer.stop();
            m_silenceStart = -1;
        }
        m_source.setStopFrame(stop);
        return;
    }
    // Frames past the new stop are queued in the output already: only starting over drops them.
    stopOutput();
    if (!startOutput(heard))
        finish(heard, Outcome::OutputFailed);
}

bool PlaybackEngine::startOutput(qint64 startFrame)
{
    ++m_run;
    m_endTimer.stop();
    m_silenceStart = -1;
    m_lastHeard = startFrame;
    m_source.begin(startFrame, effectiveStop());
    if (hasFollowOn())
        m_source.setContinuation(m_followOn.silence, m_followOn.start, m_followOn.stop);
    if (!m_output->start(&m_source, m_audio.sampleRate()))
        return false;
    m_watchedFrames = -1;
    m_stalledChecks = 0;
    m_watchdog.start();
    return true;
}

void PlaybackEngine::stopOutput()
{
    m_endTimer.stop();
    m_watchdog.stop();
    m_silenceStart = -1;
    m_output->stop();
}

qint64 PlaybackEngine::playedStreamFrames() const
{
    return m_output->playedFrames();
}

void PlaybackEngine::onOutputFailed()
{
    if (!m_playing)
        return;
    qCDebug(lcPlayback) << "output broke off";
    finish(m_lastHeard, Outcome::OutputFailed);
}

void PlaybackEngine::onSilenceStarted()
{
    const qint64 start = m_source.silenceStart();
    if (!m_playing || start < 0 || start == m_silenceStart)
        return;
    m_silenceStart = start;
    m_silenceClock.start();
    // However the device reports its progress, the end comes within this time.
    const qint64 pending = std::max<qint64>(0, start - playedStreamFrames());
    m_silenceBudgetMs = pending * 1000 / m_audio.sampleRate() + bufferMs + 1000;
    checkEnd();
}

void PlaybackEngine::checkEnd()
{
    if (!m_playing || m_silenceStart < 0)
        return;
    const qint64 target = m_silenceStart + qint64(endMarginMs) * m_audio.sampleRate() / 1000;
    const qint64 played = playedStreamFrames();
    if (played >= target || m_silenceClock.elapsed() > m_silenceBudgetMs) {
        if (hasFollowOn() && m_source.hasContinuation()) {
            // The stretch is over as heard; the output goes on through the pause.
            m_silenceStart = -1;
            emit endReached();
            return;
        }
        finish(m_source.mediaFrameAt(m_silenceStart), Outcome::ReachedEnd);
        return;
    }
    const double waitMs = double(target - played) * 1000.0 / m_audio.sampleRate();
    m_endTimer.start(std::clamp(int(std::ceil(waitMs)), 1, 1000));
}

void PlaybackEngine::checkProgress()
{
    if (!m_playing)
        return;
    // Also keeps a position for the case the device goes away, when the sink forgets its own.
    position();
    const qint64 played = playedStreamFrames();
    if (played != m_watchedFrames) {
        m_watchedFrames = played;
        m_stalledChecks = 0;
        noteSoundHeard();
    } else if (++m_stalledChecks >= maxStalledChecks) {
        qCDebug(lcPlayback) << "output stalled at stream frame" << played;
        finish(m_lastHeard, Outcome::OutputFailed);
    }
}

void PlaybackEngine::noteSoundHeard()
{
    if (!m_outputLost || !m_output->isRunning() || m_output->playedFrames() <= 0)
        return;
    m_outputLost = false;
    // Queued like the failure, so the two always arrive in the order they happened.
    QMetaObject::invokeMethod(this, &PlaybackEngine::outputRestored, Qt::QueuedConnection);
}

void PlaybackEngine::finish(qint64 position, Outcome outcome)
{
    clearFollowOn();
    if (outcome == Outcome::OutputFailed)
        reportOutputFailure();
    else
        noteSoundHeard();
    stopOutput();
    m_position = position;
    m_lastHeard = position;
    m_playing = false;
    const quint64 run = ++m_run;
    emit playingChanged(false);
    // A slot may have started the next playback already; the end it would hear of is gone.
    if (outcome == Outcome::ReachedEnd && run == m_run)
        emit endReached();
}
