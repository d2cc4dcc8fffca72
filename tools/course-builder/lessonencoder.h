#pragma once

#include "tools/course-builder/lessoncache.h"
#include "tools/course-builder/lessonrecording.h"

#include <QString>

// Turns a finished recording into what the database and the cache keep: the MP3 file (when
// audioPath is given) and the sentence times in text form, shifted by the delay the decoder
// shows. Safe to run on several threads at once, each with its own recording.
class LessonEncoder
{
public:
    static LessonCache::Entry encode(const LessonRecording& recording, const QString& audioPath);
};
