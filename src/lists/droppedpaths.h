#pragma once

#include <QStringList>

class QDropEvent;
class QMimeData;

namespace Duovue::DroppedPaths
{

/// The local file paths a drag carries, in the order given; links to remote places are left out.
QStringList localPaths(const QMimeData *mime);

/// Accepts the drag or drop as a copy when @p wanted, else refuses it. Always a copy: a source told
/// that its files were moved might delete them. Thread: GUI thread.
bool acceptAsCopy(QDropEvent *event, bool wanted);

} // namespace Duovue::DroppedPaths
