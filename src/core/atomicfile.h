#pragma once

#include <QByteArray>
#include <QString>

#include "core/result.h"

namespace Duovue
{

/// Replaces the file at @p path with @p data so that a reader sees either the old file whole or the
/// new one whole: the data go to a temporary file in the same folder, which is renamed over the
/// old one only once every byte is on disk.
///
/// Only a regular file is ever replaced: a device, a pipe, a socket or a folder at @p path is
/// refused, and a symbolic link is written through to the file it leads to. A replaced file keeps
/// its permission bits (and its owner where the system allows); a new one gets 0666 less the umask.
/// A missing folder is an error: nothing is created on the way (see makeOwnFolder()). Errors carry
/// the system's reason without the path, which the caller names. Thread: any.
Result<void> writeFileAtomically(const QString &path, const QByteArray &data);

/// Creates @p folder and any missing parents, each new one private to the user (0700), as the
/// freedesktop base directories ask. Only for the program's own settings, data and cache folders;
/// an existing folder is fine. Thread: any.
Result<void> makeOwnFolder(const QString &folder);

} // namespace Duovue
