#pragma once

#include <QList>

#include "lists/cmysortstringarray.h"

namespace Duovue
{

/// The logic of reordering list rows by dragging them: where the insertion mark goes, when the list
/// scrolls by itself, and how the rows move on the drop. The list view draws the mark and the drag
/// picture and runs the timer; everything it decides is decided here.
///
/// Thread: GUI thread. Holds no references.
class DragReorder
{
public:
    enum class Direction { None, Up, Down };

    /// The automatic scroll the cursor position asks for.
    struct Scroll {
        Direction direction = Direction::None;
        int periodMs = 0;
        bool operator==(const Scroll &) const = default;
    };

    /// Where the insertion mark is drawn: at the top of @p row, or at its bottom when @p below.
    struct Mark {
        int row = -1; // -1: no mark
        bool below = false;
        bool onDraggedRow = false; // the cursor shows "not allowed"; a drop here does nothing
    };

    static constexpr int SlowPeriodMs = 70;
    static constexpr int FastPeriodMs = 10;
    /// Within this distance beyond the list's edge the scroll is slow, further out it is fast.
    static constexpr int SlowZone = 51;

    /// Starts a drag of the selected @p rows (sorted here). Returns false, and stays idle, when
    /// there are none.
    bool begin(QList<int> rows);
    void end();
    bool isActive() const { return m_active; }
    const QList<int> &rows() const { return m_rows; }
    /// The row the dragged rows go before (the row count for the end), or -1 for none.
    int insertionIndex() const { return m_insertionIndex; }
    const Mark &mark() const { return m_mark; }

    /// Places the mark at row @p row of a list of @p count rows (-1: no row at the cursor's
    /// height). Returns true when the mark changed.
    bool placeMark(int row, int count);

    /// The scroll for a cursor at height @p y, with the rows visible between @p top and @p bottom.
    static Scroll scrollFor(int y, int top, int bottom);

    /// One tick of the scroll timer in @p direction: false when the timer must stop (the mark is at
    /// the end it scrolls towards); otherwise the row the mark goes to after scrolling one line. A
    /// mark on a dragged row moves on from that row.
    bool tick(Direction direction, int count, int *target) const;

    /// Moves the entries at @p rows (ascending, distinct) so that they stand together, in their
    /// order, just before the entry that was at @p insertionIndex (past the end: at the end). Returns
    /// the new index of the first moved entry, or -1 when nothing moved (@p insertionIndex is -1 or
    /// there are no rows).
    static int drop(CMySortStringArray &list, QList<int> rows, int insertionIndex);

private:
    bool m_active = false;
    QList<int> m_rows;
    int m_insertionIndex = -1;
    int m_lastRow = -1;
    Mark m_mark;
};

} // namespace Duovue
