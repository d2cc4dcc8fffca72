#pragma once

#include "tools/course-builder/courselesson.h"

#include <QList>
#include <QString>
#include <QStringList>

// Writes the lesson database (tables 句库 and 单词) as SQLite, rows in lesson and file order,
// into a side file that replaces the target only once it is complete.
class CourseDatabaseWriter
{
public:
    struct LessonTimes
    {
        QStringList starts;
        QStringList ends;
    };

    // times[i] belongs to lessons[i] and has one entry per sentence.
    static void write(const QString& path, const QList<CourseLesson>& lessons,
                      const QList<LessonTimes>& times);
};
