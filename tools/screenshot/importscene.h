#pragma once

class LessonDatabase;
class MediaPlayer;
class QString;

// Opens the import dialog on a lesson of the sample course (its recording, its text pasted
// as one paragraph, its translations), shows the text split for review, aligns it and saves
// import-review.png and import-aligned.png into folder, then the timed scenes below and the
// scenes of folderimportscene.h. True when all were saved.
bool saveImportScenes(MediaPlayer& player, const LessonDatabase& course,
                      const QString& voiceLibrary, const QString& folder);

// The same lesson as a bilingual LRC over the carried one: import-lrc.png with the lines placed
// at their times and the Chinese as translations, and import-replace-question.png, the question
// before saving over the carried lesson (answered "No": nothing is stored).
bool saveTimedImportScenes(MediaPlayer& player, const LessonDatabase& course,
                           const QString& voiceLibrary, const QString& folder);
