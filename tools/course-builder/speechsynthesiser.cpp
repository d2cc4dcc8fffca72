#include "tools/course-builder/speechsynthesiser.h"

#include "tools/course-builder/courseerror.h"

#include <algorithm>
#include <espeak-ng/speak_lib.h>
#include <mutex>

using namespace Qt::StringLiterals;

namespace {

constexpr char voiceName[] = "en-us";
// Slower than eSpeak's 175 words per minute: the listeners are learners.
constexpr int wordsPerMinute = 145;
// Anything quieter than about -54 dBFS at either end counts as silence.
constexpr float silenceLevel = 0.002f;

int collectSamples(short* wav, int count, espeak_EVENT* events)
{
    if (wav != nullptr && count > 0 && events != nullptr) {
        auto* samples = static_cast<std::vector<short>*>(events->user_data);
        samples->insert(samples->end(), wav, wav + count);
    }
    return 0;
}

void startEngine()
{
    static std::once_flag once;
    static QString failure;
    std::call_once(once, [] {
        const int rate =
            espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
        if (rate != Upsampler::inputRate) {
            failure =
                u"eSpeak NG did not start (rate %1); is espeak-ng-data installed?"_s.arg(rate);
            return;
        }
        espeak_SetSynthCallback(collectSamples);
        if (espeak_SetVoiceByName(voiceName) != EE_OK)
            failure = u"eSpeak NG has no voice "_s + QLatin1StringView(voiceName);
        espeak_SetParameter(espeakRATE, wordsPerMinute, 0);
    });
    if (!failure.isEmpty())
        throw CourseError(failure);
}

std::vector<float> trimSilence(const std::vector<float>& samples)
{
    auto loud = [](float s) { return s > silenceLevel || s < -silenceLevel; };
    const auto first = std::find_if(samples.begin(), samples.end(), loud);
    if (first == samples.end())
        return {};
    const auto last = std::find_if(samples.rbegin(), samples.rend(), loud).base();
    return std::vector<float>(first, last);
}

} // namespace

SpeechSynthesiser::SpeechSynthesiser()
{
    startEngine();
}

std::vector<float> SpeechSynthesiser::speak(const QString& sentence)
{
    const QByteArray text = sentence.toUtf8();
    std::vector<short> samples;
    const espeak_ERROR result = espeak_Synth(text.constData(), size_t(text.size()) + 1, 0,
                                             POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, &samples);
    if (result != EE_OK)
        throw CourseError(u"eSpeak NG failed on: "_s + sentence);
    return trimSilence(m_upsampler.upsample(samples));
}

QString SpeechSynthesiser::settings()
{
    return u"espeak-ng %1 %2 %3wpm trim %4"_s
        .arg(QLatin1StringView(espeak_Info(nullptr)), QLatin1StringView(voiceName))
        .arg(wordsPerMinute)
        .arg(double(silenceLevel));
}
