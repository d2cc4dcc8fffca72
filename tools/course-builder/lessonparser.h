#pragma once

#include "tools/course-builder/courselesson.h"

#include <QByteArray>
#include <QString>

// Reads the text of one lesson file. Every fault throws a CourseError naming the file and the
// line, so a course author can fix it without reading code.
class LessonParser
{
public:
    static CourseLesson parse(const QByteArray& content, const QString& fileName, int book,
                              int number);

    // Longest word or meaning the database columns take, in characters.
    static constexpr int maxWordLength = 50;
};
