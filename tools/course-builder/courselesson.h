#pragma once

#include <QList>
#include <QString>

struct CourseSentence
{
    QString english;
    QString chinese;
    int line = 0;
};

struct CourseWord
{
    QString word;
    QString meaning;
};

// One lesson as written in course/book<B>/lesson<NNN>.txt.
struct CourseLesson
{
    int book = 0;
    int number = 0;
    bool hasAudio = true;
    QString sourceFile;
    QList<CourseSentence> sentences;
    QList<CourseWord> words;

    // 0 for a book that does not exist.
    static int lessonCount(int book)
    {
        switch (book) {
        case 1:
            return 72;
        case 2:
            return 96;
        case 3:
            return 60;
        case 4:
            return 48;
        default:
            return 0;
        }
    }

    QString bookText() const { return QString::number(book); }
    QString lessonText() const { return QStringLiteral("Lesson ") + QString::number(number); }
    // The "0" is part of the name whatever the lesson number: QVN101.dat, QVN1012.dat.
    QString audioFileName() const
    {
        return QStringLiteral("QVN") + QString::number(book) + QLatin1Char('0') +
               QString::number(number) + QStringLiteral(".dat");
    }
};
