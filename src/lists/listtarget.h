#pragma once

#include <QList>

namespace Duovue
{

/// The list a list command acts on and what was selected in it when the command was chosen.
struct ListTarget {
    int side = 0;
    /// The selected rows, ascending (none in result mode, where rows are marked by checks).
    QList<int> selectedRows;
    /// The row with the keyboard focus, or -1.
    int focusedRow = -1;
};

} // namespace Duovue
