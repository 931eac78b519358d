#pragma once

#include <sys/types.h>

#include <QByteArray>

namespace Duovue
{

/// The hidden files the program writes before renaming them into place (".duovue-copy-XXXXXX" for
/// copies and moves across file systems, ".duovue-write-XXXXXX" for atomic writes), and the removal
/// of those a killed run left behind.
///
/// Each temporary file is locked (flock) for as long as its writer holds it open. The lock goes
/// with the writer's process, so a file of that naming that nobody has locked is a leftover: the
/// first temporary file the program makes in a folder removes them. Nothing else in the folder is
/// touched: only regular files of exactly that naming, owned by the user, that no one holds.
///
/// Thread: any. Paths are native bytes (NativePath::encode).
namespace TemporaryFile
{

enum class Kind { Copy, Write };

struct Created {
    int fd = -1; ///< open for writing, locked; the caller closes it
    QByteArray path;
    int error = 0; ///< an errno when fd is -1
};

/// Creates a new temporary file of @p kind in @p folder (no trailing "/"; "" for the root) with
/// @p mode (less the umask), after removing the folder's leftovers.
Created create(const QByteArray &folder, Kind kind, mode_t mode);

/// Removes the leftovers of earlier runs in @p folder; each folder is looked at once per process.
void removeLeftovers(const QByteArray &folder);

/// Looks at @p folder again on its next removeLeftovers() (tests; a second run of the program).
void forgetFolder(const QByteArray &folder);

} // namespace TemporaryFile

} // namespace Duovue
