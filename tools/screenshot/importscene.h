#pragma once

class LessonDatabase;
class MediaPlayer;
class QString;

// Opens the import dialog on a lesson of the sample course (its recording, its text pasted
// as one paragraph, its translations), shows the text split for review, aligns it and saves
// import-review.png and import-aligned.png into folder. True when both were saved.
bool saveImportScenes(MediaPlayer& player, const LessonDatabase& course,
                      const QString& voiceLibrary, const QString& folder);
