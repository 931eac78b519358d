#pragma once

#include <QString>
#include <QStringList>

namespace Duovue
{

struct AppState;

/// The control form's choices that a fill or a drop reads.
struct FillOptions {
    enum class Mode { New, Add };
    Mode mode = Mode::New; // "新規 (&N)": replace the list; "追加 (&A)": append to it
    bool includeSubfolders = false; // "サブフォルダも含める (&S)"
};

/// What filling a list needs of the window around it. The main window implements it; tests use a
/// recording fake.
class ListFillHost
{
public:
    virtual ~ListFillHost() = default;

    /// The new-document command: empties both lists and the panes and ends result mode.
    virtual void newDocument() = 0;
    /// Drops the side's preview picture with its information and resets the side's viewer pane.
    virtual void resetSide(int side) = 0;
    /// The side's FileList changed: set the list view's item count and the count labels.
    virtual void listChanged(int side) = 0;
    /// Shows the progress dialog ("処理中") / closes it.
    virtual void beginProgress() = 0;
    virtual void endProgress() = 0;
    /// Lets the user interface run for a moment: the abort button, repainting. Called at most about
    /// every 20 ms during a scan.
    virtual void pumpEvents() = 0;
    /// Opens @p path as the document (a single dropped ".duov" file).
    virtual void openDocument(const QString &path) = 0;
};

/// How a fill or a drop went.
struct FillOutcome {
    int unreadable = 0; // folders or dropped paths that could not be read
    QStringList unreadableSubfolders; // folders below those that could not be read in full
    bool aborted = false; // the abort button stopped the scan; the entries found so far stay
    bool openedDocument = false; // a single ".duov" file was handed to the document opening
};

/// Fills side @p side from @p folder (already chosen; trailing "/" are removed, so "/" scans the
/// root): in result mode a new document first; in "新規" mode the list and the side's panes start
/// empty; then the scan under the progress dialog; finally the item count, the mark (entry 0 on a
/// new list, the old position when adding) and the labels.
///
/// Thread: GUI thread. Owns nothing it returns.
FillOutcome FillFromFolder(
    AppState &state, ListFillHost &host, int side, const FillOptions &options, const QString &folder);

/// Adds files and folders dropped on the list of side @p side, in the order given: folders are
/// scanned like a fill, picture files appended, other paths ignored. A single dropped file whose
/// extension is "duov" (any case) is opened as the document instead, before anything is cleared.
FillOutcome AddDroppedPaths(
    AppState &state, ListFillHost &host, int side, const FillOptions &options, const QStringList &paths);

/// True when @p paths is one file whose extension is "duov" ignoring case.
bool isSingleDocumentDrop(const QStringList &paths);

} // namespace Duovue
