#include "bench/alignment/tapefile.h"

#include "audio/soundfile.h"

#include <QFile>
#include <QSaveFile>

bool TapeFile::write(const QString& path, const std::vector<float>& samples, int sampleRate)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    SoundFile sound;
    if (!sound.openWrite(&file, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, sampleRate, 1))
        return false;
    const auto frames = sf_count_t(samples.size());
    const bool written = sf_writef_float(sound.handle(), samples.data(), frames) == frames;
    return sound.close() && written && file.commit();
}

bool TapeFile::read(const QString& path, int sampleRate, std::vector<float>* samples)
{
    QFile file(path);
    SoundFile sound;
    if (!file.open(QIODevice::ReadOnly) || !sound.openRead(&file) ||
        sound.info().samplerate != sampleRate || sound.info().channels != 1)
        return false;
    samples->resize(size_t(sound.info().frames));
    const sf_count_t got = sf_readf_float(sound.handle(), samples->data(), sound.info().frames);
    return got == sound.info().frames;
}
