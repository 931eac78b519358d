#pragma once

namespace Duovue
{

struct CommandContext;

/// The pair tools as commands on the document. The three comparisons act on the document's active
/// pair and do nothing, silently, unless both of its pictures loaded (CDuovueDoc::isPairLoaded: a
/// failed load of entry 0 counts as failed). The file comparisons run under the progress dialog,
/// whose abort button stops them at once; the session's abort flag is cleared when they end.
///
/// Thread: GUI thread. Dialogs and messages belong to the context's parent.

/// Binary comparison (IdBinaryCompare, Ctrl+B): the runs in CByReDlg, or a message when there are none.
void runBinaryCompare(const CommandContext &context);

/// Difference analysis (IdDifferenceAnalysis, Ctrl+Y): the eleven rows in CAnalysisDlg.
void runDifferenceAnalysis(const CommandContext &context);

/// JPEG marker comparison (IdJpegCompare, Ctrl+J): both marker tables in CJpegDlg, or the not-JPEG error.
void runJpegCompare(const CommandContext &context);

/// File existence check (IdExistenceCheck): removes the entries whose files are gone (a CNothingDlg notice for
/// each until the user asks not to be told again in this run), refreshes the others' times and
/// sizes, regroups result rows, and ends with the summary "確認結果". Also run after a document is
/// opened.
void runExistenceCheck(const CommandContext &context);

} // namespace Duovue
