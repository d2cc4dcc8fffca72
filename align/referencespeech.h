#pragma once

#include "align/mfcc.h"

#include <QStringList>
#include <functional>
#include <limits>
#include <vector>

// The text read aloud by eSpeak NG, sentence by sentence, as the reference the recording is
// warped against. Each sentence's speech is cut free of its silence and the sentences are
// joined with a short fixed pause, so where each one starts and ends is known to the frame.
class ReferenceSpeech
{
public:
    struct Sentence
    {
        int firstFrame = 0; // the first and last frame of the sentence's speech
        int lastFrame = 0;
    };

    // Called after each sentence with the share done; false stops.
    using Progress = std::function<bool(double done)>;

    // False when stopped, when eSpeak NG cannot speak (its data missing), or as soon as the
    // speech passes `maxSpeechSeconds` (then exceeded() is true): a text far longer than its
    // recording is given up before it costs more time and memory than the recording would.
    // Its quiet is floored as far under its speech as the recording's is (`bandRange`).
    bool synthesise(const QStringList& sentences, int wordsPerMinute,
                    const std::vector<float>& bandRange, const Progress& progress,
                    double maxSpeechSeconds = std::numeric_limits<double>::infinity());
    bool exceeded() const { return m_exceeded; }

    // What eSpeak NG is given for a sentence: its emoji, pictographs and words in other scripts
    // would otherwise be read out by name ("grinning face") and take speech the reader never
    // made.
    static QString speakable(const QString& sentence);

    // Slower than most readers: warping squeezes the reference cheaply (up to twice) but pays
    // for every frame it must stretch it, so a reference slower than the reader is the safe side.
    static constexpr int usualWordsPerMinute = 130;

    const Mfcc::Features& features() const { return m_features; }
    const std::vector<Sentence>& sentences() const { return m_sentences; }
    // The speech alone, without the joining pauses.
    double speechSeconds() const { return m_speechSeconds; }

    static constexpr double pauseSeconds = 0.25;

    // A short text spoken alone at the engine's own rate (`rate`, set to 0 when eSpeak NG
    // cannot speak, and then nothing comes back): mono 16-bit samples, silence left in. Safe
    // beside a synthesise() running on another thread.
    static std::vector<short> speakAlone(const QString& text, int wordsPerMinute, int& rate);

private:
    Mfcc::Features m_features;
    std::vector<Sentence> m_sentences;
    double m_speechSeconds = 0;
    bool m_exceeded = false;
};
