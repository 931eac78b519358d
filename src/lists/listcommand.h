#pragma once

#include <QString>

#include "lists/listtarget.h"
#include "resources/commandtable.h"

namespace Duovue
{

struct CommandContext;
class FillProgress;

/// Runs the context-menu command @p commandId (IdList...) of the list @p target names: clear,
/// recycle or remove the selected or checked rows, open or edit with the associated application,
/// move or copy to a folder, the comparison position, the check commands and the auto-check rules.
/// Selecting, inverting and starting a rename are the view's own and are ignored here.
///
/// Files go to the trash, move and copy only through FileOperations, and the rows follow what
/// happened on disk: a row leaves the list only when its file left its place. A move or copy of
/// several files (or of a large one) shows @p progress, whose abort button stops it between
/// chunks; the session's abort flag is cleared at the end.
///
/// Thread: GUI thread. Changes the document only through its operations.
void runListCommand(const CommandContext &context, FillProgress &progress, const ListTarget &target, int commandId);

/// The Delete key on a list: with rows selected, asks whether to move them to the recycle bin
/// (Yes) or to remove them from the list (No), then runs that command with its own question.
void runListDeleteKey(const CommandContext &context, FillProgress &progress, const ListTarget &target);

/// Ends an in-place rename of row @p row of side @p side with the edited @p text: characters a file
/// name may not hold are reported and removed, then the file is renamed without replacing another
/// one. Returns true when the file and the row got the new name; otherwise both keep the old one
/// and a refusal has been reported.
bool runListRename(const CommandContext &context, int side, int row, const QString &text);

} // namespace Duovue
