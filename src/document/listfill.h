#pragma once

#include <atomic>

#include <QString>
#include <QStringList>

namespace Duovue
{

class CDuovueDoc;

/// The control form's choices that a fill or a drop reads.
struct FillOptions {
    enum class Mode { New, Add };
    Mode mode = Mode::New; // "新規 (&N)": replace the list; "追加 (&A)": append to it
    bool includeSubfolders = false; // "サブフォルダも含める (&S)"
};

/// What a fill needs of the user interface around it: the progress dialog ("処理中") with its abort
/// button, and a moment for the event loop now and then. The main window shows CProgDlg; tests and
/// the command line use quiet ones.
class FillProgress
{
public:
    virtual ~FillProgress() = default;

    /// Shows the progress dialog / closes it.
    virtual void begin() = 0;
    virtual void end() = 0;
    /// Lets the user interface run for a moment: the abort button, repainting. Called at most about
    /// every 20 ms during a scan.
    virtual void pump() = 0;
};

/// How a fill or a drop went.
struct FillOutcome {
    int unreadable = 0; // folders or dropped paths that could not be read
    QStringList unreadableSubfolders; // folders below those that could not be read in full
    bool aborted = false; // the abort button stopped the scan; the entries found so far stay
    /// A single ".duov" file was dropped: nothing was changed; the caller opens it as the document.
    QString documentToOpen;
};

/// Fills side @p side of @p document from @p folder (already chosen; trailing "/" are removed, so
/// "/" scans the root): in result mode a new document first; in "新規" mode the side starts empty;
/// then the scan under the progress dialog, polling @p abortRequested, which is cleared at the end;
/// the entries found are appended at once, the mark on entry 0 of a new list, on the old position
/// when adding.
///
/// Thread: GUI thread. Owns nothing it returns.
FillOutcome FillFromFolder(CDuovueDoc &document,
    std::atomic<bool> &abortRequested,
    FillProgress &progress,
    int side,
    const FillOptions &options,
    const QString &folder);

/// Adds files and folders dropped on the list of side @p side, in the order given: folders are
/// scanned like a fill, picture files appended, other paths ignored. A single dropped file whose
/// extension is "duov" (any case) is not added: it is handed back in the outcome, nothing changed,
/// for the caller to open as the document.
FillOutcome AddDroppedPaths(CDuovueDoc &document,
    std::atomic<bool> &abortRequested,
    FillProgress &progress,
    int side,
    const FillOptions &options,
    const QStringList &paths);

/// True when @p paths is one file whose extension is "duov" ignoring case.
bool isSingleDocumentDrop(const QStringList &paths);

} // namespace Duovue
