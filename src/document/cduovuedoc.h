#pragma once

#include <array>
#include <vector>

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include "core/result.h"
#include "imaging/pictureloader.h"
#include "lists/cmysortstringarray.h"

namespace Duovue
{

enum class SearchMethod;
struct GroupingResult;
namespace SearchResults
{
struct Applied;
}

/// The document: both file lists with their comparison positions, result mode, the contents of the
/// four picture panes and the pair the pair tools act on, with the document's path, title and
/// modified flag.
///
/// It is the one owner of that state. Everything else reads it through the const accessors and
/// changes it only through the named operations below; each operation announces what it changed
/// with the signals, so views, models and labels follow by themselves and nobody refreshes by hand.
/// List changes are announced like a Qt item model's: an "about to" signal before rows are
/// inserted, removed or reset, the plain signal after; rowsChanged after texts changed in place.
///
/// Sides are 0 (left) and 1 (right). Panes are 0 and 1 (the main window's previews) and 2 and 3
/// (the viewer's); the side of pane p is p % 2. Rows out of range are ignored; a side or pane out
/// of range is a programmer error and asserts (loadPicture refuses it with InvalidArgument).
///
/// Thread: GUI thread only, like the widgets that subscribe. Work on other threads gets copies
/// (FileList, paths and pictures are implicitly shared values) and hands its results back here.
class CDuovueDoc final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CDuovueDoc)

public:
    static constexpr int SideCount = 2;
    static constexpr int PaneCount = 4;

    explicit CDuovueDoc(QObject *parent = nullptr);
    ~CDuovueDoc() override;

    // Reading.

    const FileList &fileList(int side) const;
    /// The comparison position of @p side ("見比べ位置", ViewerPosition).
    int position(int side) const;
    /// The lists hold similar-image search results: the primary strings are group labels.
    bool resultMode() const { return m_resultMode; }
    /// Both lists show the width and height columns (bitmap-search results, result-mode documents).
    bool dimensionColumnsShown() const { return m_dimensionColumns; }
    const PaneContent &pane(int pane) const;

    /// First pane of the pair the pair tools and compositing act on: 0, or 2 while the viewer is open.
    int activePair() const { return m_activePair; }
    /// Pane @p side (0 left, 1 right) of the active pair.
    const PaneContent &pairPane(int side) const;
    /// Both panes of the active pair hold a picture that loaded successfully (a failed load of
    /// entry 0 leaves the load marker at 0 too, so the marker alone does not tell).
    bool isPairLoaded() const;

    /// The document file's path; empty for a new document.
    QString path() const { return m_path; }
    /// "無題" for a new document, else the file name of the path.
    QString title() const;
    /// The main window's title: "<title> - Duovue", with " ※比較モード" appended in result mode
    /// unless the text already holds the mark.
    QString windowTitle() const;
    bool isModified() const { return m_modified; }

    // The whole document.

    /// Empties both lists and the main window's panes, resets both positions to 0, ends result
    /// mode, hides the width and height columns; the path becomes empty (title "無題"), the
    /// modified flag false.
    void newDocument();
    /// Replaces both lists as opening a document file does: the main window's panes are cleared,
    /// result mode and the width and height columns follow @p resultMode, the positions are stored,
    /// and outside result mode each non-empty side gets its one mark at its position (pulled back to
    /// the last entry when beyond it).
    void loadLists(std::array<FileList, 2> lists, std::array<int, 2> positions, bool resultMode);
    void setPath(const QString &path);
    /// Every operation that changes what a document file stores (the lists, the positions, result
    /// mode) sets the modified flag, wherever the document is used; newDocument() clears it, and
    /// whoever saves or opens the document clears it here.
    void setModified(bool modified);

    // Lists.

    /// Empties one list, puts its position back to 0 and clears its main-window pane (a "新規"
    /// fill, the clear-list command, a side that became empty).
    void clearSide(int side);
    /// Appends @p entries to one list, then moves the side's mark from entry 0 to its position,
    /// as a fill does: entry 0 on a new list, the old position when adding. Result mode has no
    /// marks.
    void appendEntries(int side, FileList entries);
    /// Removes the given rows of one list (any order; duplicates and rows out of range are
    /// ignored). Positions stay as they are: the command decides where the mark goes.
    void removeRows(int side, QList<int> rows);
    /// Moves the given rows so they stand together, in their order, before the row that was at
    /// @p insertionIndex (past the end: at the end), as a drop of dragged rows does. Returns the
    /// new index of the first moved row, or -1 when nothing moved.
    int moveRows(int side, QList<int> rows, int insertionIndex);
    /// Sorts one whole list by @p column: by number for the right-aligned columns (4 to 6), as text
    /// otherwise; the mark moves with its entry and the position is not changed. Refused (false)
    /// on an empty list and in result mode.
    bool sortRows(int side, int column, bool descending);
    /// Replaces all eight strings of one row (a rename, the existence check's new times).
    void setEntry(int side, int row, const FileList::Entry &entry);
    /// The row's file is gone: name "ファイルがありません", folder and times emptied, the rest kept.
    void markMissing(int side, int row);
    /// Stores the comparison position of @p side (pulled back into the list) and, outside result
    /// mode, moves the mark to it from the row that carries it (after a sort that need not be the
    /// old position). Ignored on an empty list.
    void setPosition(int side, int position);

    // Result mode.

    /// Appends the result rows of a search to both lists (the same rows at the same indices) and
    /// sets result mode when there are any.
    void applySearchResults(const std::vector<FileList::Entry> &rows);
    /// Hands a finished search to the lists: its rows as above, and the width and height columns
    /// as SearchResults::summarize says. Returns that summary.
    SearchResults::Applied applySearchResults(const GroupingResult &grouping, SearchMethod method);
    void setDimensionColumnsShown(bool shown);
    /// Flips the check ("-" before the label) of each row in both lists.
    void toggleChecks(QList<int> rows);
    /// Writes @p labels as the primary strings of rows 0.. of both lists (check all, uncheck all,
    /// the auto-check rules, a regroup). Extra labels are ignored.
    void setGroupLabels(const QStringList &labels);
    /// Applies auto-check rule @p rule (CheckRules::Rule) to the result rows: all but one row of each
    /// group checked in both lists, the one kept chosen by the rule, earlier checks removed. Rule
    /// None changes nothing.
    void applyCheckRule(int rule);

    // Panes.

    /// Loads entry @p index of side @p pane % 2 into the pane now (file read, probe, decode).
    /// Refused with InvalidArgument, before anything changes, for a row outside the list.
    Result<LoadOutcome> loadPicture(int pane, int index);
    /// Puts a read of entry @p index done elsewhere (a background load) into the pane: the pane's
    /// picture, information and load marker; for a missing file also markMissing() on the entry.
    LoadOutcome applyPictureLoad(int pane, int index, Result<DecodedPicture> read);
    /// Empties the pane (picture, information, text); its load marker stays.
    void clearPane(int pane);
    /// Replaces the picture a pane shows with a changed copy of it (a viewer's rotation, flip,
    /// colour or brightness change); its information, text and load marker stay those of the file.
    /// Ignored while the pane holds no decoded picture.
    void setPanePicture(int pane, const QImage &picture);
    /// 0: the pair tools act on the main window's panes; 2: on the viewer's.
    void setActivePair(int firstPane);

    // List commands.

    /// Removes rows of side @p side as the list commands do (remove, recycle, move; any order,
    /// duplicates and rows out of range ignored), with what follows a removal. In result mode the
    /// same rows leave both lists, then the groups are regrouped (ListEdits::regroup: a row left
    /// alone in its group leaves both lists too, the rest are renumbered). Each list that lost rows
    /// keeps its comparison position on its entry; outside result mode a removed mark goes to row 0.
    /// A list left empty gets the empty-side reset: position 0, its main-window pane cleared, and
    /// sideEmptied.
    void removeListRows(int side, QList<int> rows);
    /// Removes the entry at the comparison position of @p side, whose file the viewer sent to the
    /// recycle bin or to another folder, as removeListRows() does, except that the position stays at
    /// its index: on the entry that took the removed one's place, or on the new last entry.
    void removePositionEntry(int side);
    /// Row @p row of side @p side now names its file @p name (the file was renamed); in result mode
    /// the same row of the other list too when it names the same file.
    void renameEntry(int side, int row, const QString &name);

Q_SIGNALS:
    void listAboutToBeReset(int side);
    void listReset(int side);
    void rowsAboutToBeInserted(int side, int first, int last);
    void rowsInserted(int side, int first, int last);
    void rowsAboutToBeRemoved(int side, int first, int last);
    void rowsRemoved(int side, int first, int last);
    /// Texts of rows @p first..@p last changed in place (names, marks, labels, a sort, a reorder).
    void rowsChanged(int side, int first, int last);
    void positionChanged(int side, int position);
    void resultModeChanged(bool on);
    void dimensionColumnsChanged(bool shown);
    void paneChanged(int pane);
    void activePairChanged(int firstPane);
    void modifiedChanged(bool modified);
    /// The main window's title changed (path or result mode).
    void titleChanged(const QString &windowTitle);
    /// A list command or the viewer removed the last rows of side @p side (after its rowsRemoved,
    /// positionChanged and paneChanged): the side's viewer pane goes back to its start (no scroll,
    /// zoom 1) and its control form to "新規 (&N)".
    void sideEmptied(int side);

private:
    bool isRow(int side, int row) const;
    /// Result mode follows the lists: a new or opened document and search results set it.
    void setResultMode(bool on);
    /// What a document file stores changed.
    void markModified();
    void resetList(int side, FileList list);
    void storePosition(int side, int position);
    /// MoveMark on the side's list with the signals for the rows it touched.
    void moveMark(int side, int oldIndex);
    /// Where a position goes when its entry is removed: to row 0 outside result mode (the list
    /// commands), or to the entry that takes its place (the viewer, result mode).
    enum class RemovedPosition { ToTop, StaysAtIndex };
    void removeListRows(int side, QList<int> rows, RemovedPosition removedPosition);
    /// removeRows for the list commands: many scattered rows are removed as one reset.
    void removeRunsOrReset(int side, const QList<int> &rows);

    std::array<FileList, SideCount> m_lists;
    std::array<int, SideCount> m_positions{0, 0};
    std::array<PaneContent, PaneCount> m_panes;
    bool m_resultMode = false;
    bool m_dimensionColumns = false;
    int m_activePair = 0;
    QString m_path;
    bool m_modified = false;
};

} // namespace Duovue
