#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A folder of a learner's course files: which recording goes with which texts, and which
// lessons they are, by the numbers in their names ("Lesson 012.mp3" with "Lesson 012.lrc",
// "12.mp3" with "12.txt", "L12 Excuse me.mp3" with "L12.srt"; "001-002.mp3" holds two lessons).
namespace CourseFolder {

struct Pair
{
    QString recording;  // file name within the folder
    QList<int> lessons; // one, or two for a recording of two lessons, in order
    QStringList texts;  // one for each lesson, in the same order
};

struct Pairing
{
    QList<Pair> pairs; // by lesson number
    // Files left out, each with the reason, in Chinese: a recording without a text, a text
    // without a recording, two files for one lesson, a name without a number.
    QStringList skipped;
};

// The lesson numbers a file name gives: the number after "Lesson", "L" or inside "第…课"
// first, else two numbers joined by "-" or "&" (two lessons), else the last number.
QList<int> lessonNumbers(const QString& fileName);

bool isRecording(const QString& fileName);
bool isText(const QString& fileName);

// Pairs the recordings and texts among `fileNames`.
Pairing pairUp(const QStringList& fileNames);

} // namespace CourseFolder
