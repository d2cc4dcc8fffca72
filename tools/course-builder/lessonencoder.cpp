#include "tools/course-builder/lessonencoder.h"

#include "lessons/timetext.h"
#include "tools/course-builder/encoderdelay.h"
#include "tools/course-builder/mp3writer.h"

#include <QFileInfo>

LessonCache::Entry LessonEncoder::encode(const LessonRecording& recording, const QString& audioPath)
{
    LessonCache::Entry entry;
    entry.seconds = recording.seconds();
    if (!audioPath.isEmpty()) {
        Mp3Writer::write(audioPath, recording.samples(), recording.sampleRate());
        entry.encoderDelay =
            EncoderDelay::measure(recording.samples(), Mp3Writer::decode(audioPath));
        entry.audioBytes = QFileInfo(audioPath).size();
    }
    const auto rounded = TimeText::round(recording.spans(entry.encoderDelay));
    for (const auto& [start, end] : rounded) {
        entry.starts.append(TimeText::format(start));
        entry.ends.append(TimeText::format(end));
    }
    // The last sentence plays to the end of the recording.
    if (!entry.ends.isEmpty())
        entry.ends.last().clear();
    return entry;
}
