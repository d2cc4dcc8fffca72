#include "export/sentenceclip.h"

#include "audio/mediaplayer.h"
#include "audio/soundfile.h"

#include <QBuffer>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace SentenceClip {

Span span(double startSeconds, double endSeconds, int sampleRate, qint64 frameCount)
{
    if (sampleRate <= 0 || frameCount <= 0 || !(startSeconds >= 0)) {
        return {};
    }
    Span result;
    result.first = std::min(MediaPlayer::startFrame(startSeconds, sampleRate), frameCount);
    result.stop = endSeconds < 0
                      ? frameCount
                      : std::min(MediaPlayer::stopFrame(endSeconds, sampleRate), frameCount);
    return result;
}

QByteArray encodeOgg(const DecodedAudio& recording, Span span, QString* error)
{
    if (span.isEmpty() || span.first < 0 || span.stop > recording.frameCount()) {
        *error = u"句子的时间不在录音之内"_s;
        return {};
    }
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    SoundFile file;
    if (!file.openWrite(&buffer, SF_FORMAT_OGG | SF_FORMAT_VORBIS, recording.sampleRate(), 2)) {
        *error = u"无法编码句子的声音："_s + file.errorString();
        return {};
    }
    // Speech needs little: about 0.4 gives some 60 kbit/s, a few kilobytes a sentence.
    double quality = 0.4;
    sf_command(file.handle(), SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality);
    const qint16* first = recording.samples().data() + span.first * 2;
    const sf_count_t frames = span.stop - span.first;
    const sf_count_t written = sf_writef_short(file.handle(), first, frames);
    if (written != frames || !file.close()) {
        *error = u"无法编码句子的声音："_s + file.errorString();
        return {};
    }
    return buffer.data();
}

} // namespace SentenceClip
