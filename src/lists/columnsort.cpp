#include "lists/columnsort.h"

#include "core/appstate.h"

namespace Duovue
{

bool isNumericColumn(int column)
{
    return column >= 4 && column < CMySortStringArray::ColumnCount;
}

bool ColumnClickSort(AppState &state, int side, SortDirections &descending, int column)
{
    FileList &list = state.fileList[side];
    if (list.isEmpty() || state.resultMode || column < 0 || column >= CMySortStringArray::ColumnCount)
        return false;
    const CMySortStringArray::Comparator compare = isNumericColumn(column) ? NumericColumnCompare : TextColumnCompare;
    list.sortAll(compare, column, descending[column]);
    descending[column] = !descending[column];
    return true;
}

} // namespace Duovue
