#pragma once

#include <QString>
#include <QStringList>

// The data files the program carries inside itself and writes out at every start.
namespace CarriedFiles {

// Resource paths of the carried files, keyed by the name they are written under.
inline constexpr auto fontName = "Ksphonet.TTF";
inline constexpr auto dictionaryName = "mswrd.wd";
inline constexpr auto databaseName = "qvnxcl.wrd";

// ":/carried/<name>" for one of the names above.
QString resourcePath(const QString& name);

// The carried files in the order start-up writes them: font, dictionary, database.
QStringList namesInWriteOrder();

} // namespace CarriedFiles
