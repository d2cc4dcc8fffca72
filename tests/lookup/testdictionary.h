#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringEncoder>
#include <QStringList>

// A dictionary file as the program carries it: "$" entry "$" ... "$", GBK, CR LF, two NULs.
inline QByteArray dictionaryBytes(const QStringList& entries)
{
    QString line = QStringLiteral("$");
    for (const QString& entry : entries)
        line += entry + u'$';
    QStringEncoder encoder("GBK");
    QByteArray bytes = encoder.encode(line);
    bytes.append("\r\n", 2);
    bytes.append('\0');
    bytes.append('\0');
    return bytes;
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
