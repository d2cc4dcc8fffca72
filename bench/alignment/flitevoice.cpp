#include "bench/alignment/flitevoice.h"

#include "audio/soundfile.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

bool FliteVoice::available()
{
    return !QStandardPaths::findExecutable(u"flite"_s).isEmpty();
}

bool FliteVoice::speak(const QString& voice, const QString& text, double stretch,
                       std::vector<float>* samples, QString* error)
{
    QTemporaryDir folder;
    if (!folder.isValid()) {
        *error = u"no temporary folder: "_s + folder.errorString();
        return false;
    }
    const QString wavPath = folder.filePath(u"speech.wav"_s);
    QProcess flite;
    flite.setProcessChannelMode(QProcess::MergedChannels);
    flite.start(u"flite"_s, {u"-voice"_s, voice, u"--setf"_s,
                             u"duration_stretch="_s + QString::number(stretch, 'f', 2), u"-t"_s,
                             text, u"-o"_s, wavPath});
    if (!flite.waitForFinished(60000) || flite.exitStatus() != QProcess::NormalExit ||
        flite.exitCode() != 0) {
        *error = u"flite -voice "_s + voice + u" failed: "_s + flite.errorString() + u' ' +
                 QString::fromLocal8Bit(flite.readAll()).trimmed();
        return false;
    }

    QFile file(wavPath);
    SoundFile sound;
    if (!file.open(QIODevice::ReadOnly) || !sound.openRead(&file)) {
        *error = u"cannot read flite's output: "_s + sound.errorString();
        return false;
    }
    if (sound.info().samplerate != sampleRate || sound.info().channels != 1) {
        *error = u"flite voice "_s + voice + u" speaks at "_s +
                 QString::number(sound.info().samplerate) + u" Hz, not 16000 Hz mono"_s;
        return false;
    }
    samples->resize(size_t(sound.info().frames));
    const sf_count_t got = sf_readf_float(sound.handle(), samples->data(), sound.info().frames);
    samples->resize(size_t(std::max<sf_count_t>(got, 0)));
    return true;
}
