#pragma once

#include "audio/mediaplayer.h"

#include <QString>

// Speaks headwords slowly. The word is synthesised whole by eSpeak NG into a file of the
// private folder and played through a player of its own, the way every other sound of the
// program is played: the speech engine's own streaming output, which Qt's text-to-speech
// offers, gave up silently on longer words at a slow rate (its sink would not take a whole
// chunk of speech at once). Without a working engine, or without a folder, the lookup simply
// stays silent.
class WordSpeaker
{
public:
    // `speechFile` is where the spoken word is written; "" keeps the speaker silent.
    explicit WordSpeaker(QString speechFile = {});
    ~WordSpeaker();

    void say(const QString& headword);
    // How many times say() started a word sounding (tests count on it).
    int spokenCount() const { return m_spoken; }
    // The last text say() was asked for, spoken or not (silent machines still run the tests).
    const QString& lastRequested() const { return m_lastRequested; }
    bool isAvailable();
    // The player the words sound through.
    MediaPlayer& player() { return m_player; }

    // Slower than the engine's usual 175: the learner is listening for the sounds of one word.
    static constexpr int wordsPerMinute = 120;

private:
    bool writeSpeech(const QString& headword);

    QString m_file;
    MediaPlayer m_player;
    int m_available = -1; // unknown until the first word
    int m_spoken = 0;
    QString m_lastRequested;
};
