#include "audio/mediaplayer.h"

#include "audio/backgrounddecode.h"
#include "audio/framesource.h"
#include "audio/playbackengine.h"

#include <algorithm>
#include <cmath>

namespace {

// Far beyond any media (centuries of audio), yet exact in a double.
constexpr double farFrame = 1.0e15;

} // namespace

void MediaPlayer::Controls::play()
{
    m_player.play();
}

void MediaPlayer::Controls::stop()
{
    m_player.stop();
}

double MediaPlayer::Controls::currentPosition() const
{
    return m_player.currentPosition();
}

void MediaPlayer::Controls::setCurrentPosition(double seconds)
{
    m_player.setCurrentPosition(seconds);
}

MediaPlayer::MediaPlayer(QObject* parent)
    : QObject(parent), m_engine(std::make_unique<PlaybackEngine>())
{
    connect(m_engine.get(), &PlaybackEngine::playingChanged, this, &MediaPlayer::reportState);
    connect(m_engine.get(), &PlaybackEngine::endReached, this, &MediaPlayer::endReached);
    connect(m_engine.get(), &PlaybackEngine::outputFailed, this, &MediaPlayer::outputFailed);
    connect(m_engine.get(), &PlaybackEngine::outputRestored, this, &MediaPlayer::outputRestored);
    connect(m_engine.get(), &PlaybackEngine::followOnStarted, this, [this] {
        m_endPosition = m_followOnEnd;
        emit followOnStarted();
    });
}

MediaPlayer::~MediaPlayer()
{
    m_engine->disconnect(this);
}

void MediaPlayer::setUrl(const QString& path)
{
    m_engine->stop();
    m_url = path;
    m_endPosition = -1;
    m_engine->setAudio({});
    m_decode = path.isEmpty() ? nullptr : std::make_unique<BackgroundDecode>(path);
    reportState();
}

void MediaPlayer::finishDecoding() const
{
    if (m_decode) {
        const std::unique_ptr<BackgroundDecode> decode = std::move(m_decode);
        m_engine->setAudio(decode->take());
    }
}

QString MediaPlayer::url() const
{
    return m_url;
}

void MediaPlayer::close()
{
    m_decode.reset();
    m_engine->setAudio({});
    m_url.clear();
    m_endPosition = -1;
    reportState();
}

MediaPlayer::PlayState MediaPlayer::playState() const
{
    // Media still being decoded is open and stopped.
    if (m_decode)
        return Stopped;
    // Open but unplayable reads stopped, the state callers wait for before they move on.
    if (!hasMedia())
        return m_url.isEmpty() ? Undefined : Stopped;
    return m_engine->isPlaying() ? Playing : Stopped;
}

void MediaPlayer::setEndPosition(double seconds)
{
    finishDecoding();
    m_endPosition = seconds < 0 || std::isnan(seconds) ? -1 : seconds;
    m_engine->setStopFrame(m_endPosition < 0 ? -1 : stopFrame(m_endPosition, sampleRate()));
}

double MediaPlayer::endPosition() const
{
    return m_endPosition;
}

void MediaPlayer::setFollowOn(double pauseSeconds, double startSeconds, double endSeconds)
{
    finishDecoding();
    if (!hasMedia() || !(pauseSeconds >= 0)) {
        clearFollowOn();
        return;
    }
    const int rate = sampleRate();
    m_followOnEnd = endSeconds < 0 || std::isnan(endSeconds) ? -1 : endSeconds;
    m_engine->setFollowOn(std::llround(pauseSeconds * rate), startFrame(startSeconds, rate),
                          m_followOnEnd < 0 ? -1 : stopFrame(m_followOnEnd, rate));
}

void MediaPlayer::clearFollowOn()
{
    m_engine->clearFollowOn();
}

bool MediaPlayer::hasFollowOn() const
{
    return m_engine->hasFollowOn();
}

bool MediaPlayer::hasMedia() const
{
    finishDecoding();
    return !m_engine->audio().isEmpty();
}

int MediaPlayer::sampleRate() const
{
    finishDecoding();
    return m_engine->audio().sampleRate();
}

qint64 MediaPlayer::frameCount() const
{
    finishDecoding();
    return m_engine->audio().frameCount();
}

std::span<const qint16> MediaPlayer::samples() const
{
    finishDecoding();
    return m_engine->audio().samples();
}

std::vector<qint16> MediaPlayer::heardFrames(qint64 first, qint64 stop) const
{
    const std::span<const qint16> all = samples();
    const qint64 frames = qint64(all.size() / 2);
    first = std::clamp<qint64>(first, 0, frames);
    stop = std::clamp<qint64>(stop, first, frames);
    std::vector<qint16> heard(all.begin() + first * 2, all.begin() + stop * 2);
    FrameSource::applyVolume(heard, volume());
    return heard;
}

void MediaPlayer::setVolume(int volume)
{
    m_engine->setVolume(volume);
}

int MediaPlayer::volume() const
{
    return m_engine->volume();
}

void MediaPlayer::setSpeed(double factor)
{
    if (std::isnan(factor))
        return;
    m_speed = std::round(std::clamp(factor, minSpeed, maxSpeed) * 10) / 10;
    m_engine->setSpeed(m_speed);
}

double MediaPlayer::speed() const
{
    return m_speed;
}

qint64 MediaPlayer::startFrame(double seconds, int sampleRate)
{
    const double scaled = seconds * sampleRate;
    if (sampleRate <= 0 || !(scaled > 0))
        return 0;
    return scaled < farFrame ? std::llround(scaled) : qint64(farFrame);
}

qint64 MediaPlayer::stopFrame(double seconds, int sampleRate)
{
    const double scaled = seconds * sampleRate;
    if (sampleRate <= 0 || !(scaled >= 0))
        return 0;
    if (scaled >= farFrame)
        return qint64(farFrame);
    qint64 frame = qint64(std::floor(scaled)) + 1;
    // seconds * rate can round to either side of a whole frame; settle it in the same
    // arithmetic the callers compare positions with.
    while (frame > 0 && double(frame - 1) / sampleRate > seconds)
        --frame;
    while (double(frame) / sampleRate <= seconds)
        ++frame;
    return frame;
}

void MediaPlayer::play()
{
    finishDecoding();
    m_engine->play();
}

void MediaPlayer::stop()
{
    m_engine->stop();
}

double MediaPlayer::currentPosition() const
{
    if (!hasMedia())
        return 0;
    return double(m_engine->position()) / sampleRate();
}

void MediaPlayer::setCurrentPosition(double seconds)
{
    if (hasMedia())
        m_engine->setPosition(startFrame(seconds, sampleRate()));
}

void MediaPlayer::reportState()
{
    const PlayState state = playState();
    if (state == m_reportedState)
        return;
    m_reportedState = state;
    emit playStateChanged(state);
}
