#pragma once

#include <QString>

// One sentence as it leaves the program: its lesson, its place there, its texts and where its
// sound lies. Its place names it: a deck written again for the same sentence updates the card.
struct ExportSentence
{
    int book = 0;   // 1..4
    int lesson = 0; // the lesson's number
    int index = 0;  // 0-based, in the lesson's stored order
    QString english;
    QString chinese;
    QString recording; // the lesson recording; "" when the lesson has none
    double start = 0;  // seconds
    double end = -1;   // seconds; below 0: to the recording's end

    QString lessonTag() const;   // "Orlune::第1册::Lesson_7", an Anki tag (no spaces)
    QString lessonTitle() const; // "第1册 Lesson 7"
};

// A notebook word and the sentence it was met in.
struct ExportWord
{
    QString headword;
    QString phonetic; // IPA
    QString meaning;
    ExportSentence sentence;
};
