#pragma once

class LessonDatabase;
class MediaPlayer;
class QString;

// The import dialog with a text one sentence of which the recording does not hold: the
// sentence the aligner is unsure of marked in yellow (import-unsure.png).
bool saveUnsureImportScene(MediaPlayer& player, const LessonDatabase& course,
                           const QString& voiceLibrary, const QString& folder);

// "导入整册…" over a scratch folder of book 1 (an LRC over the carried lesson 1, an LRC for an
// empty lesson, a running text with a sentence the recording lacks, a recording without a
// text): import-folder-review.png before the import, import-folder-question.png (the
// question before the carried lesson is replaced, answered "跳过这些课") and
// import-folder-summary.png once it is done. Nothing of the learner's is touched.
bool saveFolderImportScenes(const LessonDatabase& course, const QString& voiceLibrary,
                            const QString& folder);
