#pragma once

#include <array>

#include "lists/cmysortstringarray.h"

namespace Duovue
{

struct AppState;

/// The per-view direction flags of the column-click sort, one per column, all ascending at start.
using SortDirections = std::array<bool, CMySortStringArray::ColumnCount>;

/// True for the right-aligned columns (size, width, height), which sort by number.
bool isNumericColumn(int column);

/// A click on the header of column @p column of side @p side: sorts the whole list by that column,
/// by number for the right-aligned columns and as text otherwise, in the direction of the column's
/// flag, then flips the flag. The position mark moves with its entry; viewerPosition is left as
/// it is. Nothing happens on an empty list or in result mode. Returns true when the list was sorted.
///
/// Thread: GUI thread.
bool ColumnClickSort(AppState &state, int side, SortDirections &descending, int column);

} // namespace Duovue
