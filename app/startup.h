#pragma once

#include <QString>
#include <QStringList>

class StudyWindow;

// Start-up and shutdown of the program, and the private temporary folder all its working
// files live in.
namespace Startup {

// This running copy's own temporary folder, ending in a separator. Set once by
// prepareTempPath(); never empty while a window is open.
extern QString tempPath;

// Makes a folder of this copy's own inside the per-user folder privateFolderName() in
// `base` (see PrivateFolder) and returns it with a trailing separator; "" when `base` cannot
// hold one. A previous folder of this process is let go, not deleted.
QString prepareTempPath(const QString& base);
// The same in the system temporary folder, else in the user's runtime folder, else in the
// user's cache folder.
QString prepareTempPath();
// The per-user folder that holds the folders of all running copies.
QString privateFolderName();
// Why the program cannot start when prepareTempPath() found no place.
QString noFolderMessage();

// Makes Qt's own texts (the standard dialogs' buttons and labels, the text boxes' menus)
// Simplified Chinese, from the translations Qt installs. False when they are not installed;
// those texts then stay English and nothing else changes.
bool installQtTranslations();

// Writes the carried font, dictionary and database into tempPath, replacing whatever stands
// there under their names, and makes the font known to the application. Returns the names of
// the files that could not be written.
QStringList writeCarriedFiles();
// The one notice naming what the learner goes without; "" when nothing is missing.
QString missingFilesNotice(const QStringList& missingNames);

// Wires the window's close and its "退出" to shutdown(), and tells the learner, through the
// window's notices, which carried files are missing.
void attach(StudyWindow& window, const QStringList& missingNames);

// Deletes a folder or a file with everything inside it; false when nothing was deleted.
bool deleteRecursively(const QString& path);

// The voice library: "语音库" beside the executable, or in the installed data folder.
QString voiceLibraryPath();

// Closes the recording device, deletes the working files, the lesson-audio copies and then
// this copy's whole folder, closes the player and ends the event loop.
void shutdown(StudyWindow& window);
// Deletes this copy's folder with everything left in it; other copies' folders stay.
void removeTempFolder();

} // namespace Startup
