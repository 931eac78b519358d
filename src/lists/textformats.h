#pragma once

#include <QString>
#include <QStringView>

namespace Duovue
{

/// "%04d/%02d/%02d、%02d:%02d:%02d" in local time from seconds since 1970-01-01 UTC. A time that
/// cannot be converted gives "0000/00/00、-1:-1:-1". Text order is time order.
QString FormatFileTime(qint64 secondsSinceEpoch);

/// Unsigned decimal with "," every three digits from the right: 1234567 → "1,234,567".
QString FormatFileSize(quint64 value);

/// The total label of a control form: "総アイテム数: %5d".
QString TotalItemsText(int count);

/// The selection label of a control form: "選択アイテム数: %5d".
QString SelectedItemsText(int count);

/// The accepted picture extensions, in order: "jpg", "jpeg", "bmp", "gif".
const QStringList &ImageExtensions();

/// The text after the last "." of @p name, or the whole name when it has none.
QStringView extensionOf(QStringView name);

/// True when extensionOf(@p name) is one of ImageExtensions(), ignoring case.
bool hasImageExtension(QStringView name);

} // namespace Duovue
