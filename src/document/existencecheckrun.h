#pragma once

#include <QString>

#include "pairtools/existencecheck.h"

namespace Duovue
{

class CDuovueDoc;

/// The file existence check on the document, both sides, the left first: the entries whose files
/// are gone are removed (with @p notice for each until the user asks not to be told again in this
/// run), the others get fresh time and size texts, each comparison position stays on its entry (row
/// 0 when its own entry went), a side left empty is cleared, and in result mode the groups are
/// regrouped. Returns the summary to show captioned "確認結果", or an empty text when both lists
/// were empty (then nothing is shown).
///
/// Used by the Tools-menu command and right after a document was opened. Thread: GUI thread.
QString RunExistenceCheck(CDuovueDoc &document, const ExistenceCheck::Notice &notice);

} // namespace Duovue
