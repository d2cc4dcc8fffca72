#include "study/wordspeaker.h"

#include <QLocale>
#include <QTextToSpeech>
#include <QVoice>

WordSpeaker::WordSpeaker() = default;
WordSpeaker::~WordSpeaker() = default;

namespace {

// One synthesiser for the whole run, shared by every window. It is never destroyed: the
// engine's worker thread can hang in its destructor while a word is still being spoken, and
// the process's end takes the thread with it anyway.
QTextToSpeech* sharedSynthesiser()
{
    static QTextToSpeech* const speech = []() -> QTextToSpeech* {
        if (!QTextToSpeech::availableEngines().contains(QStringLiteral("flite"))) {
            return nullptr;
        }
        auto* engine = new QTextToSpeech(QStringLiteral("flite"));
        const QList<QVoice> voices = engine->availableVoices();
        if (engine->state() == QTextToSpeech::Error || voices.isEmpty()) {
            return nullptr;
        }
        // The engine's default voice crashes on first use here: choose one explicitly.
        engine->setVoice(voices.first());
        // Slower than normal speech: the learner is listening for the sounds of one word.
        engine->setRate(-0.3);
        return engine;
    }();
    return speech;
}

} // namespace

void WordSpeaker::prepare()
{
    if (!m_prepared) {
        m_prepared = true;
        m_speech = sharedSynthesiser();
    }
}

bool WordSpeaker::isAvailable()
{
    prepare();
    return m_speech != nullptr;
}

void WordSpeaker::say(const QString& headword)
{
    m_lastRequested = headword;
    prepare();
    if (m_speech == nullptr || headword.isEmpty()) {
        return;
    }
    m_speech->stop();
    m_speech->say(headword);
    ++m_spoken;
}
