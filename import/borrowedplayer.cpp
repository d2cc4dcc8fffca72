#include "import/borrowedplayer.h"

#include "audio/mediaplayer.h"

BorrowedPlayer::~BorrowedPlayer()
{
    release();
}

bool BorrowedPlayer::play(const QString& recording, double start, double end)
{
    if (!m_player) {
        return false;
    }
    if (!m_borrowed) {
        m_heldUrl = m_player->url();
        m_heldSpeed = m_player->speed();
        m_heldEnd = m_player->endPosition();
        m_borrowed = true;
    }
    if (m_player->url() != recording) {
        m_player->setUrl(recording);
    }
    if (!m_player->hasMedia()) {
        return false;
    }
    // Boundaries are judged at the speed they were spoken.
    m_player->setSpeed(1.0);
    m_player->controls().stop();
    m_player->setEndPosition(end);
    m_player->controls().setCurrentPosition(start);
    m_player->controls().play();
    return true;
}

void BorrowedPlayer::stop()
{
    if (m_player && m_borrowed) {
        m_player->controls().stop();
    }
}

void BorrowedPlayer::release()
{
    if (!m_player || !m_borrowed) {
        return;
    }
    m_borrowed = false;
    m_player->controls().stop();
    if (m_player->url() != m_heldUrl) {
        m_player->setUrl(m_heldUrl);
    }
    m_player->setSpeed(m_heldSpeed);
    m_player->setEndPosition(m_heldEnd);
}
