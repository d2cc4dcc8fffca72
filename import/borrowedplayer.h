#pragma once

#include <QString>

class MediaPlayer;

// The shared player lent to the import dialog for hearing its sentences. The player holds the
// study window's lesson: the first play here remembers what it held and at which speed and end,
// and release() (at the latest on destruction) gives all of that back.
class BorrowedPlayer
{
public:
    explicit BorrowedPlayer(MediaPlayer* player) : m_player(player) {}
    ~BorrowedPlayer();
    BorrowedPlayer(const BorrowedPlayer&) = delete;
    BorrowedPlayer& operator=(const BorrowedPlayer&) = delete;

    // Plays [start, end] of the recording at normal speed. False when there is no player or
    // the recording cannot be decoded.
    bool play(const QString& recording, double start, double end);
    void stop();
    void release();
    bool isBorrowed() const { return m_borrowed; }

private:
    MediaPlayer* m_player = nullptr;
    bool m_borrowed = false;
    QString m_heldUrl;
    double m_heldSpeed = 1.0;
    double m_heldEnd = -1;
};
