#pragma once

#include "tools/course-builder/courselesson.h"

#include <QList>
#include <QString>

// Finds and parses every course/book<B>/lesson<NNN>.txt, in book and lesson order.
class CourseReader
{
public:
    static QList<CourseLesson> read(const QString& courseDir);
};
