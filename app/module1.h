#pragma once

#include <QString>

class Form1;

// Start-up and shutdown of the program, and the private temporary folder all its working
// files live in.
namespace Module1 {

// The temporary folder, ending in a separator. Set once by prepareTempPath().
extern QString TempPath;

// Chooses the program's private folder inside the system temporary folder: a fixed name per
// user, created owner-only, so a second start finds what an abnormal end left behind. The
// folder is refused when it is a symbolic link, is not a folder or belongs to someone else;
// a fresh uniquely named folder is used instead. Returns the folder with a trailing separator.
QString prepareTempPath(const QString& systemTemp);
// The fixed folder name that prepareTempPath() tries first.
QString privateFolderName();

// Writes the carried font, dictionary and database into TempPath, replacing older copies,
// and makes the font known to the application. Returns false if any file could not be
// written.
bool writeCarriedFiles();

// Deletes a folder or a file with everything inside it; false when nothing was deleted.
bool DeleteFolder(const QString& path);

// The voice library: "语音库" beside the executable, or in the installed data folder.
QString voiceLibraryPath();

// Closes the recording device, deletes the working files and the lesson-audio copies (the
// font stays), closes the player and ends the event loop.
void shutdown(Form1& form);

} // namespace Module1
