#include "bench/sentence_playback/noiselesson.h"

#include "audio/soundfile.h"
#include "lessons/timetext.h"

#include <QFile>
#include <random>

bool NoiseLesson::create(const QString& path, int sentenceCount, unsigned seed)
{
    std::mt19937 generator(seed);
    // Sentences of 1.0 to 2.6 s with 0.2 to 0.6 s between them, as in the sample course.
    std::uniform_int_distribution<int> length(100, 260);
    std::uniform_int_distribution<int> pause(20, 60);
    m_sentences.clear();
    int at = 50;
    for (int i = 0; i < sentenceCount; ++i) {
        const int end = at + length(generator);
        m_sentences.push_back({TimeText::format(at), TimeText::format(end)});
        at = end + pause(generator);
    }

    const qint64 frames = qint64(at + 100) * sampleRate / 100;
    std::uniform_int_distribution<int> magnitude(600, 14000);
    std::bernoulli_distribution negative(0.5);
    m_samples.resize(size_t(frames * 2));
    for (qint16& sample : m_samples)
        sample = qint16(negative(generator) ? -magnitude(generator) : magnitude(generator));

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    SoundFile sound;
    if (!sound.openWrite(&file, SF_FORMAT_WAV | SF_FORMAT_PCM_16, sampleRate, 2))
        return false;
    const bool written = sf_writef_short(sound.handle(), m_samples.data(), frames) == frames;
    return sound.close() && written;
}
