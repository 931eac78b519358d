#pragma once

#include <QByteArray>

namespace Duovue
{

/// Opening files whose paths are longer than the kernel takes in one call (PATH_MAX, 4096 bytes).
/// The folder scan lists such files, since it opens each folder relative to its parent; everything
/// that opens a listed file by its path must then reach it too.
///
/// Thread: any.
namespace LongPath
{

/// open(2) of @p nativePath (in the file-name encoding) with @p flags, O_CLOEXEC added. A path of
/// PATH_MAX bytes or more is opened folder by folder, each step relative to the last and short
/// enough for one call; links on the way are followed as a plain open follows them. Returns the
/// descriptor, or -1 with errno set.
int open(const QByteArray &nativePath, int flags);

} // namespace LongPath

} // namespace Duovue
