#pragma once

#include <QString>
#include <stdexcept>

// A fault in the course sources or the build environment. The message names the file and,
// for a source fault, the line, the way compilers do, so editors can jump to it.
class CourseError : public std::runtime_error
{
public:
    explicit CourseError(const QString& message) : std::runtime_error(message.toStdString()) {}
    CourseError(const QString& file, int line, const QString& message)
        : std::runtime_error(locate(file, line, message).toStdString())
    {}

    QString message() const { return QString::fromStdString(what()); }

private:
    static QString locate(const QString& file, int line, const QString& message)
    {
        if (line > 0)
            return file + u':' + QString::number(line) + u": " + message;
        return file + u": " + message;
    }
};
