#pragma once

#include <array>

#include "lists/cmysortstringarray.h"

namespace Duovue
{

/// The per-view direction flags of the column-click sort, one per column, all ascending at start.
using SortDirections = std::array<bool, CMySortStringArray::ColumnCount>;

/// True for the right-aligned columns (size, width, height), which sort by number.
bool isNumericColumn(int column);

/// Sorts the whole of @p list by @p column: by number for the right-aligned columns, as text
/// otherwise, in the direction @p descending asks for. The primary strings move with their
/// entries. Returns false, and sorts nothing, for an empty list or a column out of range.
///
/// Thread: the thread that owns the list.
bool SortByColumn(FileList &list, int column, bool descending);

} // namespace Duovue
