#include "module1.h"

#include "carriedfiles.h"
#include "form1.h"
#include "privatefolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QSaveFile>
#include <QTemporaryDir>

namespace Module1 {

QString TempPath;

QString privateFolderName()
{
    return QStringLiteral("orlune-") + PrivateFolder::userTag();
}

QString prepareTempPath(const QString& systemTemp)
{
    QString folder = QDir(systemTemp).filePath(privateFolderName());
    if (!QFileInfo::exists(folder) && !QFileInfo(folder).isSymLink()) {
        PrivateFolder::createOwnerOnly(folder);
    }
    if (!PrivateFolder::isSafe(folder)) {
        // Someone else's folder or a planted link: never write through it.
        QTemporaryDir fresh(
            QDir(systemTemp).filePath(privateFolderName() + QStringLiteral("-XXXXXX")));
        fresh.setAutoRemove(false);
        folder = fresh.isValid() ? fresh.path() : QString();
    }
    if (folder.isEmpty()) {
        return {};
    }
    return QDir::toNativeSeparators(QDir::cleanPath(folder)) + QDir::separator();
}

bool writeCarriedFiles()
{
    bool allWritten = !TempPath.isEmpty();
    for (const QString& name : CarriedFiles::namesInWriteOrder()) {
        QFile resource(CarriedFiles::resourcePath(name));
        const QString path = QDir(TempPath).filePath(name);
        // QSaveFile writes through a link of that name: remove the link itself first. The save
        // file then writes beside the target and renames over it, so a reader never sees a
        // half-written file.
        if (QFileInfo(path).isSymLink()) {
            QFile::remove(path);
        }
        QSaveFile target(path);
        const bool written = !TempPath.isEmpty() && resource.open(QIODevice::ReadOnly) &&
                             target.open(QIODevice::WriteOnly) &&
                             target.write(resource.readAll()) == resource.size() && target.commit();
        allWritten = allWritten && written;
    }
    const QString font = QDir(TempPath).filePath(QString::fromLatin1(CarriedFiles::fontName));
    if (QFileInfo::exists(font)) {
        QFontDatabase::addApplicationFont(font);
    }
    return allWritten;
}

bool DeleteFolder(const QString& path)
{
    const QFileInfo info(path);
    if (info.isSymLink() || info.isFile()) {
        return QFile::remove(path);
    }
    if (!info.isDir()) {
        return false;
    }
    return QDir(path).removeRecursively();
}

void shutdown(Form1& form)
{
    static bool running = false;
    if (running) {
        return;
    }
    running = true;
    form.releaseDevices();
    const QDir temp(TempPath);
    if (!TempPath.isEmpty()) {
        QFile::remove(temp.filePath(QString::fromLatin1(CarriedFiles::dictionaryName)));
        QFile::remove(temp.filePath(QString::fromLatin1(CarriedFiles::databaseName)));
        QFile::remove(temp.filePath(QStringLiteral("mcesound.wav")));
        DeleteFolder(temp.filePath(QStringLiteral("sounenclff")));
    }
    form.player().close();
    QCoreApplication::exit(0);
    running = false;
}

QString voiceLibraryPath()
{
    const QDir beside(QCoreApplication::applicationDirPath());
    const QString local = beside.filePath(QStringLiteral("语音库"));
    if (QFileInfo(local).isDir()) {
        return local;
    }
    // An installed program keeps its data under share/ beside bin/.
    const QString installed = beside.filePath(QStringLiteral("../share/orlune/语音库"));
    return QFileInfo(installed).isDir() ? QDir::cleanPath(installed) : local;
}

} // namespace Module1
