#include "align/referencespeech.h"

#include "align/resampler.h"

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
int startEngine(int wordsPerMinute)
{
    static int rate = 0;
    static bool tried = false;
    if (!tried) {
        tried = true;
        rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
        if (rate <= 0 || espeak_SetVoiceByName(voiceName) != EE_OK)
            rate = 0;
    }
    if (rate > 0) {
        espeak_SetSynthCallback(collectSamples);
        espeak_SetVoiceByName(voiceName);
        espeak_SetParameter(espeakRATE, wordsPerMinute, 0);
    }
    return rate;
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
            rate = startEngine(wordsPerMinute);
            if (rate > 0)
                spoken = speak(speakable(sentences[s]));
        }
        if (rate <= 0)
            return false;
        std::vector<float> samples;
        samples.reserve(spoken.size());
        for (short v : spoken)
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
    rate = startEngine(wordsPerMinute);
    return rate > 0 ? speak(text) : std::vector<short>();
}
