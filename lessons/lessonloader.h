#pragma once

#include "lessondatabase.h"
#include "sentencetable.h"

#include <QString>

// Everything one lesson click produces before it reaches the widgets: the sentence table, the
// texts of the sentence view and of the new-word view, and where the recording lies.
struct LoadedLesson
{
    QString bookDigit;
    QString lessonText;
    QString lessonNumber;
    SentenceTable table;
    QString sentenceText; // every sentence followed by CR LF CR LF
    QString wordText;     // every new word as word + " /" + meaning + CR LF
    QString lessonAudioFile;
    QString audioCopyName;
};

// Reads one lesson from the database and works out its recording's paths.
LoadedLesson loadLesson(const LessonDatabase& database, const QString& voiceLibrary,
                        const QString& bookNodeText, const QString& lessonText);

// Copies the lesson recording into the audio folder under its playable name and returns the
// copy's path; "" when there is no recording to play. An older copy of the same name is
// replaced, and is what gets played when the copy fails.
QString prepareLessonAudio(const QString& lessonAudioFile, const QString& audioFolder,
                           const QString& copyName);
