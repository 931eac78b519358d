#pragma once

#include <initializer_list>

#include <QStringList>

#include "lists/cmysortstringarray.h"

namespace Duovue::Test
{

/// The texts of column @p col (or of the primary strings for -1) of every entry, in list order.
inline QStringList columnTexts(const CMySortStringArray &list, int col)
{
    QStringList out;
    for (qsizetype i = 0; i < list.size(); ++i)
        out << (col < 0 ? list.primary(i) : list.column(col, i));
    return out;
}

/// An entry for the file at @p path, as a fill would add it (fixed times, the given size text).
inline CMySortStringArray::Entry entryFor(const QString &path, const QString &sizeText = QStringLiteral("1,234"))
{
    CMySortStringArray::Entry e;
    const qsizetype slash = path.lastIndexOf(u'/');
    e.columns[0] = path.mid(slash + 1);
    e.columns[1] = path.left(slash + 1);
    e.columns[2] = QStringLiteral("2024/01/02、03:04:05");
    e.columns[3] = QStringLiteral("2024/01/02、03:04:06");
    e.columns[4] = sizeText;
    e.primary = QStringLiteral("0");
    return e;
}

/// A QStringList from UTF-8 literals, for compact expectations.
inline QStringList strings(std::initializer_list<const char *> texts)
{
    QStringList out;
    for (const char *t : texts)
        out << QString::fromUtf8(t);
    return out;
}

} // namespace Duovue::Test
