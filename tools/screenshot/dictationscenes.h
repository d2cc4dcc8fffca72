#pragma once

class MediaPlayer;
class QPixmap;
class QString;
class QWidget;

// Saves a picture of the window as folder/name.png once everything is drawn.
bool saveScene(QWidget& window, const QString& folder, const QString& name);

// Opens a dictation window as the study window does, works through the start of a lesson like
// a learner (without playing anything) and saves dictation-start.png, dictation-lesson.png and
// dictation-answer.png into folder. True when all three pictures were saved.
bool saveDictationScenes(MediaPlayer& player, const QPixmap& normalFace, const QPixmap& pressedFace,
                         const QString& tempPath, const QString& voiceLibrary,
                         const QString& folder);
