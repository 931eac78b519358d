#pragma once

#include <QString>

#include "core/result.h"

namespace Duovue
{

/// One file in a freedesktop.org trash: where it was, and the two entries the trash holds for it.
/// Enough to put the file back (Trash::restore()).
struct TrashEntry {
    QString originalPath; ///< the absolute path the file had
    QString filesPath; ///< TRASH/files/NAME: the file itself
    QString infoPath; ///< TRASH/info/NAME.trashinfo: its original path and deletion date
};

/// The freedesktop.org trash, written to the Trash specification 1.0.
///
/// A file goes to the trash of its own file system, always by one rename: the home trash
/// ($XDG_DATA_HOME/Trash, ~/.local/share/Trash when that is unset or empty) for files on the home
/// trash's file system, otherwise TOPDIR/.Trash/UID when the administrator made TOPDIR/.Trash
/// (a sticky folder, not a link), else TOPDIR/.Trash-UID, TOPDIR being the mount point. Missing
/// trash folders are made private to the user (0700). Only when neither trash of another file
/// system can be used does the file go to the home trash by a copy, through FileOperations::move.
///
/// The info file is created exclusively before the file is moved, so two programs trashing files
/// of the same name never take the same entry; a name already in the trash gets " 2", " 3", ...
/// before its extension. A symbolic link goes to the trash itself, never the file it leads to.
///
/// Thread: any (each call works on the file system only). Paths are NativePath text.
namespace Trash
{

/// The home trash folder; nothing is created.
QString homeTrash();

/// Moves the file at the absolute @p path to the trash for it; the entry it made, or why not (the
/// file then stays where it was).
Result<TrashEntry> moveToTrash(const QString &path);

/// Moves the file at @p path into the trash folder @p trashFolder (made when missing), recording
/// @p recordedPath as its original path. The step moveToTrash() ends with; for tests.
Result<TrashEntry> moveInto(const QString &path, const QString &trashFolder, const QString &recordedPath);

/// Puts a trashed file back at its original path (never over a file now there; the folder must
/// still exist) and removes its info file.
Result<void> restore(const TrashEntry &entry);

/// True when @p entry names TRASH/files/NAME and TRASH/info/NAME.trashinfo of a folder that is a
/// trash by the rules above (the home trash, TOPDIR/.Trash/UID or TOPDIR/.Trash-UID). The paths
/// are compared as text; nothing is read.
bool isTrashEntry(const TrashEntry &entry);

} // namespace Trash

} // namespace Duovue
