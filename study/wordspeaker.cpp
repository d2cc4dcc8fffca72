#include "study/wordspeaker.h"

#include "align/referencespeech.h"

#include <QSaveFile>
#include <QtEndian>

namespace {

// A canonical 16-bit mono WAV header for `frames` samples at `rate`.
QByteArray waveHeader(qsizetype frames, int rate)
{
    const quint32 dataBytes = quint32(frames * 2);
    QByteArray header(44, '\0');
    char* h = header.data();
    const auto put32 = [h](int at, quint32 v) { qToLittleEndian(v, h + at); };
    const auto put16 = [h](int at, quint16 v) { qToLittleEndian(v, h + at); };
    memcpy(h, "RIFF", 4);
    put32(4, 36 + dataBytes);
    memcpy(h + 8, "WAVEfmt ", 8);
    put32(16, 16);
    put16(20, 1); // PCM
    put16(22, 1); // mono
    put32(24, quint32(rate));
    put32(28, quint32(rate) * 2);
    put16(32, 2);
    put16(34, 16);
    memcpy(h + 36, "data", 4);
    put32(40, dataBytes);
    return header;
}

} // namespace

WordSpeaker::WordSpeaker(QString speechFile) : m_file(std::move(speechFile))
{
    m_player.setVolume(MediaPlayer::lessonVolume);
}

WordSpeaker::~WordSpeaker() = default;

bool WordSpeaker::isAvailable()
{
    if (m_available < 0) {
        int rate = 0;
        ReferenceSpeech::speakAlone(QString(), wordsPerMinute, rate);
        m_available = !m_file.isEmpty() && rate > 0 ? 1 : 0;
    }
    return m_available == 1;
}

bool WordSpeaker::writeSpeech(const QString& headword)
{
    int rate = 0;
    const std::vector<short> samples = ReferenceSpeech::speakAlone(headword, wordsPerMinute, rate);
    if (rate <= 0 || samples.empty()) {
        return false;
    }
    // The player reads the file as it is opened: the last word's file is replaced whole.
    QSaveFile file(m_file);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.write(waveHeader(qsizetype(samples.size()), rate));
    std::vector<short> little(samples.size());
    for (size_t i = 0; i < samples.size(); ++i) {
        little[i] = qToLittleEndian(samples[i]);
    }
    file.write(reinterpret_cast<const char*>(little.data()), qint64(little.size() * 2));
    return file.commit();
}

void WordSpeaker::say(const QString& headword)
{
    m_lastRequested = headword;
    if (headword.isEmpty() || !isAvailable()) {
        return;
    }
    m_player.controls().stop();
    // Closed first: the file is about to be replaced under the open player.
    m_player.close();
    if (!writeSpeech(headword)) {
        return;
    }
    m_player.setUrl(m_file);
    if (!m_player.hasMedia()) {
        return;
    }
    m_player.setEndPosition(-1);
    m_player.controls().setCurrentPosition(0);
    m_player.controls().play();
    ++m_spoken;
}
