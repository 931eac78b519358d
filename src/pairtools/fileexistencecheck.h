#pragma once

#include <array>
#include <functional>

#include <QString>

#include "lists/cmysortstringarray.h"

namespace Duovue
{

/// The file existence check on plain lists: entries whose files are gone are removed (the user is
/// told about each one until asking not to be told again in this run), the time and size columns of
/// the others are brought up to date, each side's comparison position follows its entry, and in
/// result mode the groups are renumbered. Runs on copies; the caller hands the lists back to the
/// document. Thread: GUI thread (it may show notices through @p notice).
namespace FileExistenceCheck
{

/// Shows the missing-file notice for @p text and waits; returns true when the user asked not to
/// see it again in this run.
using Notice = std::function<bool(const QString &text)>;

struct SideOutcome {
    int before = 0; // rows when the walk began
    int removed = 0;
};

struct Outcome {
    std::array<SideOutcome, 2> sides;
    /// The closing message, captioned "確認結果"; empty when both lists were empty (no message).
    QString summary;
};

/// Checks both lists, the left first. A file that cannot be looked at (no permission, an I/O
/// error) is neither removed nor refreshed: being unable to tell is not the same as being gone.
Outcome run(std::array<FileList, 2> &lists, std::array<int, 2> &positions, bool resultMode, const Notice &notice);

/// The notice for a missing file of side @p side.
QString noticeText(int side, const QString &path);

/// Result mode, after @p removedRows rows of the left list were removed: takes out of both lists
/// the rows left alone in their group (at most @p removedRows of them, top down; a single remaining
/// row always), then numbers the groups again from 2, keeping each row's check.
void regroup(std::array<FileList, 2> &lists, int removedRows);

} // namespace FileExistenceCheck

} // namespace Duovue
