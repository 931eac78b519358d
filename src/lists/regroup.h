#pragma once

#include <QList>
#include <QStringList>

namespace Duovue
{

/// How the result rows are regrouped after rows were removed from a result list: the members left
/// alone in their group go too (a lone file is no group), and the groups are numbered again from 2.
struct RegroupPlan {
    /// Rows to remove from both lists, ascending.
    QList<int> lonelyRows;
    /// The new group labels of the rows that remain, in order; a checked row keeps its "-".
    QStringList labels;
};

/// Regroups the result rows whose group labels are @p labels after @p removedCount rows were just
/// removed. One row alone is removed. Otherwise a row whose group number (the label's absolute
/// value) differs from both neighbours' (the first and the last row: from their one neighbour's) is
/// alone; at most @p removedCount of them are taken, the first ones from the top. The rows left are
/// numbered from 2 upwards, a new number wherever the group number changes from one row to the next.
///
/// Thread: any.
RegroupPlan Regroup(const QStringList &labels, int removedCount);

} // namespace Duovue
