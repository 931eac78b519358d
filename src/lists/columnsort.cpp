#include "lists/columnsort.h"

namespace Duovue
{

bool isNumericColumn(int column)
{
    return column >= 4 && column < CMySortStringArray::ColumnCount;
}

bool SortByColumn(FileList &list, int column, bool descending)
{
    if (list.isEmpty() || column < 0 || column >= CMySortStringArray::ColumnCount)
        return false;
    const CMySortStringArray::Comparator compare = isNumericColumn(column) ? NumericColumnCompare : TextColumnCompare;
    list.sortAll(compare, column, descending);
    return true;
}

} // namespace Duovue
