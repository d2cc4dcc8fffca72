#pragma once

#include <QString>

// The platform checks behind the private temporary folder.
namespace PrivateFolder {

// True when path is a real folder (not a link), owned by the current user, and no one else
// may enter it; a folder of ours with wider rights is narrowed first.
bool isSafe(const QString& path);
// Creates path for the owner alone; true when it exists afterwards.
bool createOwnerOnly(const QString& path);
// A name that tells this user's folder from other users'.
QString userTag();

} // namespace PrivateFolder
