#include "study/studypaths.h"

#include "resources/carriedfiles.h"

#include <QDir>

namespace {

QString inTempFolder(const QString& tempPath, const char* name)
{
    return tempPath.isEmpty() ? QString() : QDir(tempPath).filePath(QString::fromLatin1(name));
}

} // namespace

QString StudyPaths::databaseFile() const
{
    return inTempFolder(tempPath, CarriedFiles::databaseName);
}

QString StudyPaths::dictionaryFile() const
{
    return inTempFolder(tempPath, CarriedFiles::dictionaryName);
}

QString StudyPaths::audioFolder() const
{
    return inTempFolder(tempPath, CarriedFiles::audioFolderName);
}

QString StudyPaths::recordingFile() const
{
    return inTempFolder(tempPath, CarriedFiles::recordingName);
}

QString StudyPaths::takeFolder() const
{
    return inTempFolder(tempPath, "shadowing");
}

QString StudyPaths::wordSpeechFile() const
{
    return inTempFolder(tempPath, "word.wav");
}
