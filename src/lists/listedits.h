#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace Duovue
{

/// The arithmetic of the list commands, on plain values: which rows a removal takes from the
/// result groups and how the groups are numbered afterwards, where a comparison position goes when
/// rows leave its list, and the cleaning of a new file name. The document applies the outcomes.
///
/// Thread: any (plain values).
namespace ListEdits
{

/// A regroup of the result rows that remain after a removal.
struct Regrouped {
    /// Rows (indices into the labels given) left as the only member of their group, ascending;
    /// they leave both lists.
    QList<int> dropped;
    /// The labels of the rows that stay, in order, renumbered; each keeps its check.
    QStringList labels;
};

/// Regroups the result rows labelled @p labels after @p removedCount rows were taken from them. A
/// single row left is dropped. Otherwise a row whose group number differs from both neighbours
/// (the first row: from the next, the last: from the previous) is the only member left of its
/// group; at most @p removedCount such rows are dropped, the first ones found from the top. The
/// rows that stay are renumbered: counting from 2, the number goes up by one at each row whose
/// group differs from the group before it (the first row compared with group 2).
Regrouped regroup(const QStringList &labels, int removedCount);

/// Where the comparison position @p position goes when the rows @p removed (ascending, distinct)
/// leave its list, which keeps @p remainingCount rows. The position stays with its entry. When its
/// entry was removed it goes to row 0 when @p toTop (the mark was on a removed row), otherwise to
/// the row that took its place, pulled back into the list. An emptied list has position 0.
int positionAfterRemoval(int position, const QList<int> &removed, int remainingCount, bool toTop);

/// The characters a file name may not hold: / ? * " < > | \ and :.
bool isForbiddenNameCharacter(QChar c);
/// @p text without the forbidden characters, the others kept in order; @p hadForbidden tells
/// whether any was removed.
QString cleanFileName(const QString &text, bool *hadForbidden = nullptr);

} // namespace ListEdits

} // namespace Duovue
