#include "app/startup.h"

#include "app/privatefolder.h"
#include "resources/carriedfiles.h"
#include "study/studywindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTranslator>

namespace Startup {

QString tempPath;

namespace {

PrivateFolder& folder()
{
    static PrivateFolder instance;
    return instance;
}

} // namespace

QString prepareTempPath(const QString& base)
{
    if (!folder().create(base)) {
        return {};
    }
    return QDir::toNativeSeparators(folder().path()) + QDir::separator();
}

QString prepareTempPath()
{
    QString path = prepareTempPath(QDir::tempPath());
    // Looked up only when needed: asking for the runtime folder may create one.
    if (path.isEmpty()) {
        path = prepareTempPath(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation));
    }
    if (path.isEmpty()) {
        const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
        if (!cache.isEmpty() && QDir().mkpath(cache)) {
            path = prepareTempPath(cache);
        }
    }
    return path;
}

QString privateFolderName()
{
    return PrivateFolder::userFolderName();
}

QString noFolderMessage()
{
    return QStringLiteral("无法创建临时文件夹，程序将退出。请检查临时文件夹（TMPDIR）是否存在、"
                          "磁盘是否已满。");
}

bool installQtTranslations()
{
    // The program speaks Simplified Chinese whatever the system's language is; so do Qt's
    // own dialogs. The translator lives as long as the application.
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(
            QLocale(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China),
            QStringLiteral("qt"), QStringLiteral("_"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

QStringList writeCarriedFiles()
{
    QStringList missing;
    for (const QString& name : CarriedFiles::namesInWriteOrder()) {
        if (tempPath.isEmpty()) {
            missing.append(name);
            continue;
        }
        QFile resource(CarriedFiles::resourcePath(name));
        const QString path = QDir(tempPath).filePath(name);
        // QSaveFile writes through a link of that name: remove the link itself first. The save
        // file then writes beside the target and renames over it, so a reader never sees a
        // half-written file.
        if (QFileInfo(path).isSymLink()) {
            QFile::remove(path);
        }
        QSaveFile target(path);
        const bool written = resource.open(QIODevice::ReadOnly) &&
                             target.open(QIODevice::WriteOnly) &&
                             target.write(resource.readAll()) == resource.size() && target.commit();
        if (!written) {
            missing.append(name);
        }
    }
    const QString font = QDir(tempPath).filePath(QString::fromLatin1(CarriedFiles::fontName));
    if (!tempPath.isEmpty() && !missing.contains(QString::fromLatin1(CarriedFiles::fontName))) {
        QFontDatabase::addApplicationFont(font);
    }
    return missing;
}

QString missingFilesNotice(const QStringList& missingNames)
{
    const QList<std::pair<const char*, QString>> what{
        {CarriedFiles::fontName, QStringLiteral("音标字体")},
        {CarriedFiles::dictionaryName, QStringLiteral("词典")},
        {CarriedFiles::databaseName, QStringLiteral("课文数据库")}};
    QStringList missing;
    for (const auto& [name, description] : what) {
        if (missingNames.contains(QString::fromLatin1(name))) {
            missing.append(description);
        }
    }
    if (missing.isEmpty()) {
        return {};
    }
    return QStringLiteral("无法把程序自带的%1写入临时文件夹（磁盘可能已满）。程序会继续运行，"
                          "但用到它们的功能暂时无法使用。")
        .arg(missing.join(QStringLiteral("、")));
}

void attach(StudyWindow& window, const QStringList& missingNames)
{
    QObject::connect(&window, &StudyWindow::shutdownRequested, &window,
                     [&window] { shutdown(window); });
    const QString notice = missingFilesNotice(missingNames);
    if (!notice.isEmpty()) {
        window.prompts().notify(notice);
    }
}

bool deleteRecursively(const QString& path)
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

void shutdown(StudyWindow& window)
{
    static bool running = false;
    if (running) {
        return;
    }
    running = true;
    window.releaseDevices();
    const QDir temp(tempPath);
    if (!tempPath.isEmpty()) {
        QFile::remove(temp.filePath(QString::fromLatin1(CarriedFiles::dictionaryName)));
        QFile::remove(temp.filePath(QString::fromLatin1(CarriedFiles::databaseName)));
        QFile::remove(temp.filePath(QString::fromLatin1(CarriedFiles::recordingName)));
        deleteRecursively(temp.filePath(QString::fromLatin1(CarriedFiles::audioFolderName)));
    }
    window.player().close();
    removeTempFolder();
    QCoreApplication::exit(0);
    running = false;
}

void removeTempFolder()
{
    folder().remove();
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

} // namespace Startup
