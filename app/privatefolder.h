#pragma once

#include <QString>
#include <memory>

class QLockFile;

// The folder one running copy of the program keeps its working files in. It lies inside a
// per-user folder ("orlune-<user>") in a base folder such as the system temporary folder, so
// two copies started side by side never share a file, and each copy holds a lock beside its
// folder for as long as it runs, so a later start can tell an abandoned folder from a live one.
class PrivateFolder
{
public:
    PrivateFolder();
    // Gives up the lock; the folder stays (remove() deletes it).
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    // Makes a fresh folder for this copy under `base`, after deleting the folders of copies
    // that no longer run. The per-user folder is reused only when it is a real folder of ours
    // that no one else may enter; otherwise a new uniquely named one is made beside it. False
    // when `base` is not an existing absolute folder or nothing can be made in it.
    bool create(const QString& base);
    // The folder, without a trailing separator; "" before create() succeeded.
    QString path() const { return m_path; }
    // Deletes the folder with everything in it and gives up its lock.
    void remove();

    // "orlune-" and a tag telling this user from others.
    static QString userFolderName();
    // True when path is a real folder (not a link), owned by the current user, and no one else
    // has any right on it.
    static bool isPrivate(const QString& path);

private:
    void release();

    QString m_path;
    QString m_oneOffParent; // a uniquely named per-user folder, made because the usual was unfit
    std::unique_ptr<QLockFile> m_lock;
};
