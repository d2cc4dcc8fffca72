#pragma once

#include "lessons/lessonloader.h"
#include "tools/orlune-course/coursecommands.h"

// What the commands share: reading a lesson as the program would, and the checks most of them
// make first.
namespace CourseCommands {

// The lesson as the study window would open it: the learner's import first.
LoadedLesson read(const Sources& sources, int book, int lesson);
// A store that cannot be read would show the carried course in its place: say so and stop.
bool storeReadable(const Sources& sources, QTextStream& err);
bool validLesson(int book, int lesson, QTextStream& err);
// Reads a lesson for a command that needs its sentences: 0 with `loaded` set, else the exit
// code once the reason is told.
int readSentences(const Sources& sources, int book, int lesson, LoadedLesson* loaded,
                  QTextStream& err);

} // namespace CourseCommands
