#pragma once

#include <QStringList>

// The sample course as its source files say, read independently of the course builder.
struct CourseLesson
{
    QStringList sentences;
    QStringList translations;
    QStringList words; // "word /meaning"
    bool hasAudio = true;
};
CourseLesson readCourseLesson(int book, int lesson);
