#pragma once

#include <QByteArray>
#include <QString>

#include "core/result.h"

namespace Duovue
{

/// Replaces the file at @p path with @p data so that a reader sees either the old file whole or the
/// new one whole: the data go to a temporary file in the same folder, which is renamed over the
/// old one only once every byte is on disk. Creates missing parent folders. Thread: any.
Result<void> writeFileAtomically(const QString &path, const QByteArray &data);

} // namespace Duovue
