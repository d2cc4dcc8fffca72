#include "privatefolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace PrivateFolder {

namespace {
constexpr QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                         QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;
}

bool isSafe(const QString& path)
{
#ifdef Q_OS_UNIX
    struct stat info
    {};
    const QByteArray native = QFile::encodeName(path);
    if (lstat(native.constData(), &info) != 0) {
        return false;
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid()) {
        return false;
    }
    if ((info.st_mode & 077) != 0 && chmod(native.constData(), 0700) != 0) {
        return false;
    }
    return true;
#else
    const QFileInfo info(path);
    return info.isDir() && !info.isSymLink();
#endif
}

bool createOwnerOnly(const QString& path)
{
    QDir().mkdir(path, ownerOnly);
    return QFileInfo(path).isDir();
}

QString userTag()
{
#ifdef Q_OS_UNIX
    return QString::number(geteuid());
#else
    return qEnvironmentVariable("USERNAME", QStringLiteral("user"));
#endif
}

} // namespace PrivateFolder
