#include "resources/carriedfiles.h"

namespace CarriedFiles {

QString resourcePath(const QString& name)
{
    return QStringLiteral(":/carried/") + name;
}

QStringList namesInWriteOrder()
{
    return {QString::fromLatin1(fontName), QString::fromLatin1(dictionaryName),
            QString::fromLatin1(databaseName)};
}

} // namespace CarriedFiles
