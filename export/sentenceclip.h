#pragma once

#include "audio/decodedaudio.h"

#include <QByteArray>
#include <QString>

// One sentence's sound, cut from its lesson recording and encoded on its own. The frames are
// the ones the player sends for that sentence: from MediaPlayer::startFrame(start) up to but
// not including MediaPlayer::stopFrame(end); no end means to the recording's end.
namespace SentenceClip {

struct Span
{
    qint64 first = 0;
    qint64 stop = 0; // one past the last frame
    bool isEmpty() const { return stop <= first; }
};

// The frames of [startSeconds, endSeconds] in a recording of `frameCount` frames at
// `sampleRate`; an end below 0 runs to the recording's end. Empty when the times leave nothing
// inside the recording.
Span span(double startSeconds, double endSeconds, int sampleRate, qint64 frameCount);

// The span's frames as Ogg Vorbis, stereo at the recording's rate: Vorbis, unlike MP3 through
// libsndfile, decodes to exactly the frames it was given, with no encoder delay in front. Empty,
// with `error` set, when the span is empty or the encoder refused.
QByteArray encodeOgg(const DecodedAudio& recording, Span span, QString* error);

} // namespace SentenceClip
