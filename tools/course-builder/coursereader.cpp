#include "tools/course-builder/coursereader.h"

#include "tools/course-builder/courseerror.h"
#include "tools/course-builder/lessonparser.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

int bookOfFolder(const QFileInfo& folder)
{
    static const QRegularExpression pattern(u"^book([0-9])$"_s);
    const auto match = pattern.match(folder.fileName());
    const int book = match.hasMatch() ? match.captured(1).toInt() : 0;
    if (CourseLesson::lessonCount(book) == 0)
        throw CourseError(folder.filePath(), 0, u"bad folder name: expected book1 to book4"_s);
    return book;
}

int lessonOfFile(const QFileInfo& file, int book)
{
    static const QRegularExpression pattern(u"^lesson([0-9]{3})\\.txt$"_s);
    const auto match = pattern.match(file.fileName());
    if (!match.hasMatch())
        throw CourseError(file.filePath(), 0,
                          u"bad file name: expected lesson<NNN>.txt, such as lesson004.txt"_s);
    const int number = match.captured(1).toInt();
    const int count = CourseLesson::lessonCount(book);
    if (number < 1 || number > count)
        throw CourseError(
            file.filePath(), 0,
            u"lesson %1 is out of range: book %2 has lessons 1 to %3"_s.arg(number).arg(book).arg(
                count));
    return number;
}

CourseLesson readLesson(const QFileInfo& file, int book, int number)
{
    QFile in(file.filePath());
    if (!in.open(QIODevice::ReadOnly))
        throw CourseError(file.filePath(), 0, u"cannot read: "_s + in.errorString());
    return LessonParser::parse(in.readAll(), file.filePath(), book, number);
}

} // namespace

QList<CourseLesson> CourseReader::read(const QString& courseDir)
{
    const QDir course(courseDir);
    if (!course.exists())
        throw CourseError(courseDir, 0, u"course folder not found"_s);

    QList<CourseLesson> lessons;
    const auto folders =
        course.entryInfoList({u"book*"_s}, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& folder : folders) {
        const int book = bookOfFolder(folder);
        // Hidden files are editors' swap and backup files, not lessons.
        const auto files = QDir(folder.filePath()).entryInfoList(QDir::Files, QDir::Name);
        for (const QFileInfo& file : files)
            lessons.append(readLesson(file, book, lessonOfFile(file, book)));
    }
    std::sort(lessons.begin(), lessons.end(), [](const CourseLesson& a, const CourseLesson& b) {
        return std::pair(a.book, a.number) < std::pair(b.book, b.number);
    });
    return lessons;
}
