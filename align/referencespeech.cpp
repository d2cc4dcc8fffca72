#include "align/referencespeech.h"

#include "align/resampler.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <espeak-ng/speak_lib.h>
#include <mutex>

namespace {

constexpr char voiceName[] = "en-us";
// Quieter than this at either end of a sentence counts as silence (about -54 dBFS).
constexpr float silenceLevel = 0.002f;
constexpr short silentSample = short(silenceLevel * 32768);
// A quiet stretch inside a sentence this long is a pause at its punctuation; anything shorter
// (the closure before a "t" or "k") is part of a word. eSpeak NG's pauses come out a few
// milliseconds longer or shorter depending on what it said before, so each is laid down at one
// length instead.
constexpr double innerPauseAtLeast = 0.12;
constexpr double innerPauseSeconds = 0.2;

enum class Voice { none, listener, reference };

// en-us without the pitch flutter and the creak that every other voice cycle carries: eSpeak NG
// keeps their phase from one utterance to the next, so the same sentence would be spoken a little
// differently after every other text, and an alignment would depend on what was aligned before it.
constexpr char steadyVoice[] = "name orlune-reference\n"
                               "language en-us 2\n"
                               "language en 3\n"
                               "phonemes en-us\n"
                               "dictrules 3 6\n"
                               "stressLength 140 120 190 170 0 0 255 300\n"
                               "stressAmp 17 16 19 19 19 19 21 19\n"
                               "replace 03 I i\n"
                               "replace 03 I2 i\n"
                               "flutter 0\n"
                               "roughness 0\n";

// eSpeak NG reads a voice of its own only from a file, looked for under its name in lower case,
// and is done with the file once the voice is loaded. False when no such file can be written; the
// reference then falls back to plain en-us, which aligns as well but not alike every time.
bool loadSteadyVoice()
{
    // Empty when the folder TMPDIR names does not exist.
    const QString folder = QDir::tempPath();
    const QString stem = folder + QStringLiteral("/orlune-reference-voice-") +
                         QString::number(QCoreApplication::applicationPid());
    if (folder.isEmpty() || stem != stem.toLower())
        return false;
    for (int attempt = 0; attempt < 10; ++attempt) {
        QFile file(stem + QLatin1Char('-') + QString::number(attempt));
        // NewOnly: never write through a link someone else left there, nor into the file of a
        // program that ended before removing it.
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            continue;
        const bool loaded =
            file.write(steadyVoice) == qint64(sizeof(steadyVoice) - 1) && file.flush() &&
            espeak_SetVoiceByFile(QFile::encodeName(file.fileName()).constData()) == EE_OK;
        file.remove();
        return loaded;
    }
    return false;
}

// eSpeak NG keeps its voice, its callback and its buffers in globals.
std::mutex& engineMutex()
{
    static std::mutex mutex;
    return mutex;
}

int collectSamples(short* wav, int count, espeak_EVENT* events)
{
    if (wav != nullptr && count > 0 && events != nullptr) {
        auto* samples = static_cast<std::vector<short>*>(events->user_data);
        samples->insert(samples->end(), wav, wav + count);
    }
    return 0;
}

// The engine's rate, or 0 when it cannot start. Call with the engine's mutex held.
int startEngine(int wordsPerMinute, Voice voice)
{
    static int rate = 0;
    static bool tried = false;
    static Voice current = Voice::none;
    if (!tried) {
        tried = true;
        rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
        if (rate <= 0 || espeak_SetVoiceByName(voiceName) != EE_OK)
            rate = 0;
        current = Voice::listener;
    }
    if (rate > 0) {
        espeak_SetSynthCallback(collectSamples);
        if (voice != current) {
            if (voice != Voice::reference || !loadSteadyVoice())
                espeak_SetVoiceByName(voiceName);
            current = voice;
        }
        espeak_SetParameter(espeakRATE, wordsPerMinute, 0);
    }
    return rate;
}

// The speech between the first and the last sound, each pause inside it laid down at one length.
std::vector<short> evenPauses(const std::vector<short>& spoken, int rate)
{
    auto loud = [](short v) { return std::abs(v) > silentSample; };
    const auto first = std::find_if(spoken.begin(), spoken.end(), loud);
    const auto last = std::find_if(spoken.rbegin(), spoken.rend(), loud).base();
    const auto pauseAtLeast = std::ptrdiff_t(innerPauseAtLeast * rate);
    const auto pause = std::size_t(innerPauseSeconds * rate);
    std::vector<short> kept;
    kept.reserve(std::size_t(std::max<std::ptrdiff_t>(0, last - first)));
    auto quietFrom = first;
    for (auto it = first; it < last; ++it) {
        if (!loud(*it))
            continue;
        if (it - quietFrom >= pauseAtLeast)
            kept.insert(kept.end(), pause, short(0));
        else
            kept.insert(kept.end(), quietFrom, it);
        kept.push_back(*it);
        quietFrom = it + 1;
    }
    return kept;
}

std::vector<short> speak(const QString& sentence)
{
    const QByteArray text = sentence.toUtf8();
    std::vector<short> samples;
    if (espeak_Synth(text.constData(), std::size_t(text.size()) + 1, 0, POS_CHARACTER, 0,
                     espeakCHARS_UTF8, nullptr, &samples) != EE_OK)
        samples.clear();
    return samples;
}

} // namespace

QString ReferenceSpeech::speakable(const QString& sentence)
{
    QString kept;
    kept.reserve(sentence.size());
    for (const char32_t c : sentence.toUcs4()) {
        const QChar::Script script = QChar::script(c);
        const QChar::Category category = QChar::category(c);
        const bool otherScript = script != QChar::Script_Latin && script != QChar::Script_Common &&
                                 script != QChar::Script_Inherited;
        const bool unspeakable =
            category == QChar::Symbol_Other || category == QChar::Symbol_Modifier ||
            category == QChar::Other_PrivateUse || category == QChar::Other_NotAssigned ||
            category == QChar::Other_Surrogate || category == QChar::Other_Format;
        // The full-width punctuation that comes with Chinese text.
        const bool fullWidth = (c >= 0x3000 && c <= 0x303f) || (c >= 0xff00 && c <= 0xffef);
        if (otherScript || unspeakable || fullWidth)
            kept += u' ';
        else
            kept += QString::fromUcs4(&c, 1);
    }
    return kept.simplified();
}

bool ReferenceSpeech::synthesise(const QStringList& sentences, int wordsPerMinute,
                                 const std::vector<float>& bandRange, const Progress& progress,
                                 double maxSpeechSeconds)
{
    m_sentences.clear();
    m_speechSeconds = 0;
    m_exceeded = false;
    Mfcc mfcc;
    const std::vector<float> pause(std::size_t(pauseSeconds * Mfcc::sampleRate), 0.0f);
    mfcc.push(pause.data(), pause.size());
    qint64 written = qint64(pause.size());
    for (int s = 0; s < sentences.size(); ++s) {
        std::vector<short> spoken;
        int rate = 0;
        {
            std::lock_guard lock(engineMutex());
            rate = startEngine(wordsPerMinute, Voice::reference);
            if (rate > 0)
                spoken = speak(speakable(sentences[s]));
        }
        if (rate <= 0)
            return false;
        std::vector<float> samples;
        samples.reserve(spoken.size());
        for (short v : evenPauses(spoken, rate))
            samples.push_back(float(v) / 32768.0f);
        std::vector<float> resampled;
        Resampler resampler(rate, Mfcc::sampleRate);
        resampler.push(samples.data(), samples.size(), &resampled);
        resampler.finish(&resampled);
        auto loud = [](float v) { return std::abs(v) > silenceLevel; };
        const auto first = std::find_if(resampled.begin(), resampled.end(), loud);
        const auto last = std::find_if(resampled.rbegin(), resampled.rend(), loud).base();
        const qint64 length = first < last ? qint64(last - first) : 0;
        if (length > 0)
            mfcc.push(&*first, std::size_t(length));
        Sentence sentence;
        sentence.firstFrame = Mfcc::frameAt(double(written) / Mfcc::sampleRate);
        sentence.lastFrame = std::max(
            sentence.firstFrame, Mfcc::frameAt(double(written + length) / Mfcc::sampleRate) - 1);
        m_sentences.push_back(sentence);
        m_speechSeconds += double(length) / Mfcc::sampleRate;
        mfcc.push(pause.data(), pause.size());
        written += length + qint64(pause.size());
        if (m_speechSeconds > maxSpeechSeconds) {
            m_exceeded = true;
            return false;
        }
        if (progress && !progress(double(s + 1) / sentences.size()))
            return false;
    }
    m_features = mfcc.finish(bandRange);
    const int lastFrame = std::max(0, m_features.frames - 1);
    for (Sentence& sentence : m_sentences) {
        sentence.firstFrame = std::clamp(sentence.firstFrame, 0, lastFrame);
        sentence.lastFrame = std::clamp(sentence.lastFrame, sentence.firstFrame, lastFrame);
    }
    return true;
}

std::vector<short> ReferenceSpeech::speakAlone(const QString& text, int wordsPerMinute, int& rate)
{
    std::lock_guard lock(engineMutex());
    rate = startEngine(wordsPerMinute, Voice::listener);
    return rate > 0 ? speak(text) : std::vector<short>();
}
