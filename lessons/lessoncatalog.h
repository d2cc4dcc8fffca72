#pragma once

#include <QString>
#include <array>

// The fixed shape of the course: four books and their lessons, the texts the lesson trees
// show and the names of the lesson recordings derived from them.
namespace LessonCatalog {

inline constexpr int bookCount = 4;
inline constexpr std::array<int, bookCount> lessonCounts{72, 96, 60, 48};

// Tree key of book 1..4: "a".."d".
QString bookKey(int book);
// "Quorv(第1册)" for book 1.
QString bookText(int book);
// "Lesson 7": plain decimal, no padding.
QString lessonText(int lesson);

// The book digit is the 8th character of a book node's text, the digit between "第" and "册".
QString bookDigit(const QString& bookNodeText);
// "Lesson 12" -> "12".
QString lessonNumber(const QString& lessonText);

// "QVN" + book digit + "0" + lesson number + ".dat": the "0" is always there, so lessons 1-9
// get three characters after "QVN" and lessons from 10 on get four.
QString audioFileName(const QString& bookDigit, const QString& lessonNumber);
// The playable copy's name: the same with ".mp3".
QString audioCopyName(const QString& bookDigit, const QString& lessonNumber);

} // namespace LessonCatalog
