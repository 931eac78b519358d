#pragma once

#include <QBasicTimer>
#include <QPointer>
#include <QTableView>

#include "lists/columnsort.h"
#include "lists/dragreorder.h"

class QLabel;

namespace Duovue
{

class CDuovueDoc;
class FileListModel;

/// A file list of the main window: an owner-data list over one side's FileList (the model reads the
/// strings in place). It draws the row images and the group tint, sorts on a header click, lets the
/// user reorder rows by dragging them (insertion mark, drag picture, automatic scrolling near the
/// edges), takes files and folders dropped on its rows, and in result mode keeps the two lists
/// scrolling together, passes keys on to the other list and toggles row checks.
///
/// The model follows the document, so the view never needs a refresh; an edit of the list goes
/// through the document's operations.
///
/// Thread: GUI thread. Owns its model; does not own the document or the partner list.
class CMyVirtualListView : public QTableView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CMyVirtualListView)

public:
    CMyVirtualListView(CDuovueDoc &document, int side, QWidget *parent = nullptr);
    ~CMyVirtualListView() override;

    int side() const { return m_side; }
    FileListModel *fileModel() const { return m_model; }
    CDuovueDoc &document() const { return m_document; }

    /// The list of the other side, for result-mode mirroring.
    void setPartner(CMyVirtualListView *partner);
    CMyVirtualListView *partner() const { return m_partner; }

    /// The selected rows, ascending.
    QList<int> selectedRowList() const;
    int selectedCount() const;

    /// Sorts by @p column as a click on its header does.
    void columnClicked(int column);
    const SortDirections &sortDirections() const { return m_sortDescending; }

    bool isDragging() const { return m_drag.isActive(); }
    const DragReorder &dragState() const { return m_drag; }
    /// The automatic scroll running now (direction None when stopped).
    DragReorder::Scroll scrollTimerState() const { return m_scroll; }

Q_SIGNALS:
    /// Files or folders were dropped on the rows (not on the header).
    void pathsDropped(const QStringList &paths);
    /// Row @p row got the focus (the picture pane of the side shows it).
    void currentRowChanged(int row);
    /// The number of selected rows changed.
    void selectedCountChanged(int count);
    /// The rows were sorted or reordered (their count did not change).
    void rowsRearranged();

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool viewportEvent(QEvent *event) override;

    /// The key handling of the list without result-mode mirroring (what the partner receives).
    void processKey(QKeyEvent *event);

private:
    void dragMoveTo(const QPoint &viewportPos, const QPoint &globalPos);
    void placeMark(int row);
    void setScroll(DragReorder::Scroll scroll);
    void finishDrag(bool drop);
    void showDragPicture(const QList<int> &rows, const QPoint &viewportPos);
    QRect iconRect(int row) const;
    void toggleChecksOfSelection();
    void mirrorScroll(Qt::Orientation orientation, int value);
    void rowCountChanged();

    CDuovueDoc &m_document;
    int m_side;
    FileListModel *m_model;
    QPointer<CMyVirtualListView> m_partner;
    SortDirections m_sortDescending{};
    DragReorder m_drag;
    DragReorder::Scroll m_scroll;
    QBasicTimer m_scrollTimer;
    QPointer<QLabel> m_dragPicture;
    QPoint m_hotSpot;
    bool m_mirroring = false;
    QPoint m_lastMousePos;
    QPoint m_lastGlobalPos;
};

} // namespace Duovue
