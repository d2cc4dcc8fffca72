#pragma once

class MediaPlayer;
class QPixmap;
class QString;

// Opens a dictation window as the study window does, works through the start of a lesson like
// a learner (without playing anything) and saves dictation-start.png, dictation-lesson.png and
// dictation-answer.png into folder. True when all three pictures were saved.
bool saveDictationScenes(MediaPlayer& player, const QPixmap& normalFace, const QPixmap& pressedFace,
                         const QString& tempPath, const QString& voiceLibrary,
                         const QString& folder);
