#include "reading/sentenceplayer.h"

#include "audio/mediaplayer.h"

bool MediaSentencePlayer::hasMedia() const
{
    return m_player.hasMedia();
}

double MediaSentencePlayer::mediaSeconds() const
{
    return m_player.sampleRate() > 0 ? double(m_player.frameCount()) / m_player.sampleRate() : 0.0;
}

double MediaSentencePlayer::speed() const
{
    return m_player.speed();
}

bool MediaSentencePlayer::isPlaying() const
{
    return m_player.playState() == MediaPlayer::Playing;
}

double MediaSentencePlayer::position() const
{
    return m_player.controls().currentPosition();
}

void MediaSentencePlayer::setEnd(double end)
{
    m_player.setEndPosition(end);
}

void MediaSentencePlayer::setPosition(double start)
{
    m_player.controls().setCurrentPosition(start);
}

void MediaSentencePlayer::play()
{
    m_player.controls().play();
}

void MediaSentencePlayer::stop()
{
    m_player.controls().stop();
}

void MediaSentencePlayer::setFollowOn(double gap, double start, double end)
{
    m_player.setFollowOn(gap, start, end);
}

void MediaSentencePlayer::clearFollowOn()
{
    m_player.clearFollowOn();
}

bool MediaSentencePlayer::hasFollowOn() const
{
    return m_player.hasFollowOn();
}
