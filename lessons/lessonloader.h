#pragma once

#include "lessons/lessondatabase.h"
#include "lessons/sentencetable.h"

#include <QString>

class LearnerStore;

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
    // Why the learner's store could not be read, in Chinese; "" when it could. The carried
    // lesson is loaded meanwhile, and the learner must be told.
    QString storeProblem;
};

// Reads one lesson from the database and works out its recording's paths.
LoadedLesson loadLesson(const LessonDatabase& database, const QString& voiceLibrary,
                        const QString& bookNodeText, const QString& lessonText);
// The same, but the lesson and its recording come from the learner's store when it holds the
// lesson; the carried ones otherwise.
LoadedLesson loadLesson(const LessonDatabase& carried, const LearnerStore& store,
                        const QString& voiceLibrary, const QString& bookNodeText,
                        const QString& lessonText);

// What became of a lesson's recording when it was made ready to play.
enum class LessonAudioResult {
    Ready,       // the copy is in place
    NoRecording, // no recording for this lesson
    TooLarge,    // over maxLessonAudioBytes: refused, nothing copied
    CopyFailed,  // the copy could not be written; an older copy, if any, stays
};

struct LessonAudio
{
    QString path; // the copy to play; "" when there is nothing to play
    LessonAudioResult result = LessonAudioResult::NoRecording;
};

// A lesson recording is a few megabytes; anything this large is not one, and copying and
// decoding it would stall the window and fill the disk.
inline constexpr qint64 maxLessonAudioBytes = 200LL * 1024 * 1024;

// Copies the lesson recording into the audio folder under its playable name. Nothing in the
// folder is written through: a link or file standing where the folder or the copy goes is
// replaced, never followed, and the copy is written under a fresh name and renamed into
// place. An older copy of the same name is what plays when the copy fails.
LessonAudio prepareLessonAudio(const QString& lessonAudioFile, const QString& audioFolder,
                               const QString& copyName);
// The notice for the learner when the recording cannot be played; "" when there is none.
QString lessonAudioNotice(const LessonAudio& audio);
