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

/// A QStringList from UTF-8 literals, for compact expectations.
inline QStringList strings(std::initializer_list<const char *> texts)
{
    QStringList out;
    for (const char *t : texts)
        out << QString::fromUtf8(t);
    return out;
}

} // namespace Duovue::Test
