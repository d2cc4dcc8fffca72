#pragma once

#include <QString>

class QTextToSpeech;

// Speaks headwords slowly. The synthesiser is started on first use and then lives for the
// rest of the run; without a working engine the lookup simply stays silent.
class WordSpeaker
{
public:
    WordSpeaker();
    ~WordSpeaker();

    void say(const QString& headword);
    // How many times say() handed text to a working engine (tests count on it).
    int spokenCount() const { return m_spoken; }
    // The last text say() was asked for, spoken or not (silent machines still run the tests).
    const QString& lastRequested() const { return m_lastRequested; }
    bool isAvailable();

private:
    void prepare();

    QTextToSpeech* m_speech = nullptr;
    bool m_prepared = false;
    int m_spoken = 0;
    QString m_lastRequested;
};
