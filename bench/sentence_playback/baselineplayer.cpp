#include "bench/sentence_playback/baselineplayer.h"

#include <QEventLoop>
#include <QUrl>
#include <cmath>

BaselinePlayer::BaselinePlayer(QObject* parent) : QObject(parent)
{
    m_player.setAudioOutput(&m_output);
    m_poll.setInterval(1);
    m_poll.setTimerType(Qt::PreciseTimer);
    connect(&m_poll, &QTimer::timeout, this, &BaselinePlayer::poll);
}

bool BaselinePlayer::load(const QString& path, int timeoutMs)
{
    QEventLoop loop;
    const auto settled = [&] {
        const QMediaPlayer::MediaStatus status = m_player.mediaStatus();
        return status == QMediaPlayer::LoadedMedia || status == QMediaPlayer::InvalidMedia ||
               m_player.error() != QMediaPlayer::NoError;
    };
    connect(&m_player, &QMediaPlayer::mediaStatusChanged, &loop, [&] {
        if (settled())
            loop.quit();
    });
    connect(&m_player, &QMediaPlayer::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    m_poll.stop();
    // Setting the same source again would keep a stuck pipeline.
    m_player.setSource(QUrl());
    m_player.setSource(QUrl::fromLocalFile(path));
    if (!settled())
        loop.exec();
    return m_player.mediaStatus() == QMediaPlayer::LoadedMedia;
}

void BaselinePlayer::playSentence(double startSeconds, double endSeconds)
{
    m_endSeconds = endSeconds;
    m_poll.start();
    m_player.setPosition(std::llround(startSeconds * 1000));
    m_player.play();
}

void BaselinePlayer::stop()
{
    m_player.stop();
    m_poll.stop();
}

void BaselinePlayer::poll()
{
    // The position goes through text, and only a changed text runs the end check.
    const QString text = QString::number(double(m_player.position()) / 1000.0);
    if (text == m_positionText)
        return;
    m_positionText = text;
    checkSentenceEnd();
}

void BaselinePlayer::checkSentenceEnd()
{
    if (m_endSeconds < m_positionText.toDouble()) {
        stop();
        emit sentenceStopped();
    }
}
