#pragma once

#include <QString>
#include <QTextStream>

// The commands of orlune-course, the course author's view of a built course.
namespace CourseCommands {

struct Sources
{
    QString database;
    QString voiceLibrary;
};

// Every lesson that has sentences: book, lesson, sentence count, whether a recording exists.
int list(const Sources& sources, QTextStream& out);
// Each sentence of one lesson with its start and end time and its translation.
int show(const Sources& sources, int book, int lesson, QTextStream& out, QTextStream& err);
// Plays one sentence through the program's player at the lessons' volume; returns once it
// stopped: at its end, at the recording's end, or when the output failed.
int play(const Sources& sources, int book, int lesson, int index, QTextStream& out,
         QTextStream& err);

} // namespace CourseCommands
