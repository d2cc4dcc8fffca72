#include "app/privatefolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                         QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;

QString userTag()
{
#ifdef Q_OS_UNIX
    return QString::number(geteuid());
#else
    return qEnvironmentVariable("USERNAME", QStringLiteral("user"));
#endif
}

QString randomTag()
{
    const QString digits = QStringLiteral("0123456789abcdefghijklmnopqrstuvwxyz");
    QString tag;
    for (int i = 0; i < 6; ++i) {
        tag += digits.at(int(QRandomGenerator::global()->bounded(quint32(digits.size()))));
    }
    return tag;
}

// A lock is stale only when its process is gone; never merely because it is old, since the
// learner may keep the program open for days.
std::unique_ptr<QLockFile> lockFor(const QString& folder)
{
    auto lock = std::make_unique<QLockFile>(folder + QStringLiteral(".lock"));
    lock->setStaleLockTime(0);
    return lock;
}

bool makeOwnerOnly(const QString& path)
{
    // mkdir fails on anything already there, a planted link included.
    return QDir().mkdir(path, ownerOnly) && PrivateFolder::isPrivate(path);
}

void removeEntry(const QString& path)
{
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isDir()) {
        QFile::remove(path);
    } else {
        QDir(path).removeRecursively();
    }
}

// Deletes the folders of copies that ended without cleaning up (killed, power lost): those
// whose lock no running process holds.
void removeAbandoned(const QString& parent)
{
    static const QRegularExpression copyEntry(QStringLiteral("^(\\d+-[0-9a-z]{6})(\\.lock)?$"));
    QSet<QString> copies;
    const QStringList entries = QDir(parent).entryList(QDir::AllEntries | QDir::Hidden |
                                                       QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        const QRegularExpressionMatch match = copyEntry.match(entry);
        if (match.hasMatch()) {
            copies.insert(match.captured(1));
        }
    }
    for (const QString& copy : copies) {
        const QString folder = QDir(parent).filePath(copy);
        const std::unique_ptr<QLockFile> lock = lockFor(folder);
        if (lock->tryLock(0)) {
            removeEntry(folder);
            lock->unlock();
        }
    }
}

} // namespace

PrivateFolder::PrivateFolder() = default;

PrivateFolder::~PrivateFolder()
{
    release();
}

bool PrivateFolder::create(const QString& base)
{
    release();
    const QFileInfo baseInfo(base);
    // An empty or relative base would put the learner's files in the working folder.
    if (base.isEmpty() || baseInfo.isRelative() || !baseInfo.isDir()) {
        return false;
    }
    // The per-user folders made because the usual one was unfit outlive copies that were
    // killed; one whose copies have all gone goes too.
    const QStringList oneOffs = QDir(base).entryList({userFolderName() + QStringLiteral("-??????")},
                                                     QDir::Dirs | QDir::Hidden | QDir::NoSymLinks);
    for (const QString& name : oneOffs) {
        const QString oneOff = QDir(base).filePath(name);
        if (isPrivate(oneOff)) {
            removeAbandoned(oneOff);
            QDir().rmdir(oneOff);
        }
    }
    QString parent = QDir(base).filePath(userFolderName());
    if (!QFileInfo(parent).isSymLink() && !QFileInfo::exists(parent)) {
        makeOwnerOnly(parent);
    }
    if (isPrivate(parent)) {
        removeAbandoned(parent);
    } else {
        // Someone else's folder, a planted link, or one that was ever open to others: whatever
        // it holds may have been prepared for us, so it is never used, nor narrowed and reused.
        QTemporaryDir fresh(parent + QStringLiteral("-XXXXXX"));
        if (!fresh.isValid()) {
            return false;
        }
        fresh.setAutoRemove(false);
        parent = fresh.path();
        m_oneOffParent = parent;
    }
    // The lock comes first: a folder without a held lock is fair game for another copy's
    // clean-up.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString folder = QDir(parent).filePath(
            QStringLiteral("%1-%2").arg(QCoreApplication::applicationPid()).arg(randomTag()));
        std::unique_ptr<QLockFile> lock = lockFor(folder);
        if (!lock->tryLock(0)) {
            if (lock->error() != QLockFile::LockFailedError) {
                break;
            }
            continue;
        }
        if (makeOwnerOnly(folder)) {
            m_path = folder;
            m_lock = std::move(lock);
            return true;
        }
    }
    release();
    return false;
}

void PrivateFolder::remove()
{
    if (!m_path.isEmpty()) {
        QDir(m_path).removeRecursively();
    }
    release();
}

void PrivateFolder::release()
{
    m_lock.reset();
    if (!m_oneOffParent.isEmpty()) {
        // Only an empty folder goes; a copy folder kept for later stays with its parent.
        QDir().rmdir(m_oneOffParent);
    }
    m_oneOffParent.clear();
    m_path.clear();
}

QString PrivateFolder::userFolderName()
{
    return QStringLiteral("orlune-") + userTag();
}

bool PrivateFolder::isPrivate(const QString& path)
{
#ifdef Q_OS_UNIX
    struct stat info
    {};
    if (lstat(QFile::encodeName(path).constData(), &info) != 0) {
        return false;
    }
    return S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & 077) == 0;
#else
    const QFileInfo info(path);
    return info.isDir() && !info.isSymLink();
#endif
}
