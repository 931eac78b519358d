#pragma once

#include <QString>

#include "lists/cmysortstringarray.h"

namespace Duovue
{

/// The auto-check rules of search results: in every duplicate group all rows but one become
/// checked (a "-" before the group label), the one kept chosen by the rule.
///
/// Thread: GUI thread (works on the file lists in place).
namespace CheckRules
{

enum Rule : int {
    None = 0,
    KeepLargest = 1, // file size
    KeepSmallest = 2,
    KeepNewest = 3, // modification time
    KeepOldest = 4,
    KeepWidest = 5, // picture width
    KeepNarrowest = 6,
};
constexpr int RuleCount = 7;

/// Applies @p rule to the groups of @p left (runs of rows with the same group number), marking the
/// same rows in @p right. A rule starts over: every check of both lists is removed first, so that
/// exactly one row of each group stays unchecked. Rule None (or an unknown one) changes nothing.
/// Returns the number of rows checked. The one way to apply a rule; the document's
/// applyCheckRule() runs it on the lists it holds.
int apply(int rule, FileList &left, FileList &right);

/// Names for the command line: "none", "largest", "smallest", "newest", "oldest", "widest",
/// "narrowest", or the rule's number; -1 when unknown.
int ruleFromName(const QString &name);

} // namespace CheckRules

} // namespace Duovue
