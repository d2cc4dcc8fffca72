#include "coursesource.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

CourseLesson readCourseLesson(int book, int lesson)
{
    CourseLesson result;
    const QString path = QDir(qEnvironmentVariable("ORLUNE_SOURCE_DIR"))
                             .filePath(QStringLiteral("course/book%1/lesson%2.txt")
                                           .arg(book)
                                           .arg(lesson, 3, 10, QLatin1Char('0')));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qWarning("no course file %s", qPrintable(path));
        return result;
    }
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.startsWith(QLatin1String("en: "))) {
            result.sentences.append(line.mid(4));
        } else if (line.startsWith(QLatin1String("zh: "))) {
            result.translations.append(line.mid(4));
        } else if (line.startsWith(QLatin1String("word: "))) {
            const QString entry = line.mid(6);
            const qsizetype bar = entry.indexOf(QLatin1String(" | "));
            result.words.append(entry.left(bar) + QStringLiteral(" /") + entry.mid(bar + 3));
        } else if (line.trimmed() == QLatin1String("audio: none")) {
            result.hasAudio = false;
        }
    }
    return result;
}
