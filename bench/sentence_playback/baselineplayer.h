#pragma once

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QObject>
#include <QString>
#include <QTimer>

// The sentence player as it would be on stock Qt: QMediaPlayer positioned at the start and
// started, then a 1 ms timer polling its position and stopping it once the position is past
// the sentence's end time.
class BaselinePlayer : public QObject
{
    Q_OBJECT
public:
    explicit BaselinePlayer(QObject* parent = nullptr);

    // Opens the file afresh (a new pipeline) and waits until it is loaded; false if it did not.
    bool load(const QString& path, int timeoutMs);
    QString errorString() const { return m_player.errorString(); }

    void playSentence(double startSeconds, double endSeconds);
    void stop();
    bool isPolling() const { return m_poll.isActive(); }

signals:
    // The poll saw the position past the end time and stopped the player.
    void sentenceStopped();

private:
    void poll();
    void checkSentenceEnd();

    QAudioOutput m_output;
    QMediaPlayer m_player;
    QTimer m_poll;
    QString m_positionText = QStringLiteral("0");
    double m_endSeconds = 0;
};
