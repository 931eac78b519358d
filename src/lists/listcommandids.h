#pragma once

#include <QList>

namespace Duovue
{

/// Command numbers of the file lists' context menus. The main window runs them (runListCommand)
/// with the list that showed the menu as the target.
enum ListCommandId : int {
    IdListClear = 32774,
    IdListRecycle = 32775,
    IdListRemove = 32777,
    IdListSelectAll = 32778,
    IdListInvertSelection = 32779,
    IdListOpen = 32780,
    IdListEdit = 32781,
    IdListMove = 32782,
    IdListCopy = 32783,
    IdListPositionTop = 32796,
    IdListPositionHere = 32797,
    IdListRename = 32815,
    IdListCheckAll = 32848,
    IdListToggleChecks = 32849,
    IdListUncheckAll = 32850,
    IdListRecycleChecked = 32851,
    IdListRemoveChecked = 32852,
    /// Auto-check rules 1 to 6 ("自動チェック(&P)"): IdListAutoCheckFirst + rule - 1.
    IdListAutoCheckFirst = 32860,
    IdListAutoCheckLast = 32865,
};

/// The list a list command acts on and what was selected in it when the command was chosen.
struct ListTarget {
    int side = 0;
    /// The selected rows, ascending (none in result mode, where rows are marked by checks).
    QList<int> selectedRows;
    /// The row with the keyboard focus, or -1.
    int focusedRow = -1;
};

} // namespace Duovue
