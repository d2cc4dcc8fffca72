#pragma once

#include <QString>
#include <QStringList>

// The data files the program carries inside itself and writes out at every start.
namespace CarriedFiles {

// The names in the private temporary folder are the ones the program has always used there,
// kept so that whatever looks for them (a learner's clean-up script, the help page's advice on
// freeing disk space) still finds them.
// Resource paths of the carried files, keyed by the name they are written under.
inline constexpr auto fontName = "Ksphonet.TTF";
inline constexpr auto dictionaryName = "mswrd.wd";
inline constexpr auto databaseName = "qvnxcl.wrd";
// What the program writes there besides: the learner's recording and the copies of the
// opened lessons' recordings.
inline constexpr auto recordingName = "mcesound.wav";
inline constexpr auto audioFolderName = "sounenclff";

// ":/carried/<name>" for one of the names above.
QString resourcePath(const QString& name);

// The carried files in the order start-up writes them: font, dictionary, database.
QStringList namesInWriteOrder();

} // namespace CarriedFiles
