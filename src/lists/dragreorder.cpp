#include "lists/dragreorder.h"

#include <algorithm>

namespace Duovue
{

bool DragReorder::begin(QList<int> rows)
{
    end();
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.isEmpty())
        return false;
    m_rows = std::move(rows);
    m_active = true;
    return true;
}

void DragReorder::end()
{
    m_active = false;
    m_rows.clear();
    m_insertionIndex = -1;
    m_lastRow = -1;
    m_mark = Mark();
}

bool DragReorder::placeMark(int row, int count)
{
    bool below = false;
    if (row == -1) {
        // Past the rows: the mark goes under the last row, but only when it was already on the last
        // row, so that a quick move over empty space does not throw it to the end.
        if (m_lastRow < 0 || m_lastRow < count - 1)
            return false;
        row = count - 1;
        below = true;
    }
    if (row < 0 || row > count)
        return false;
    const bool dragged = std::binary_search(m_rows.cbegin(), m_rows.cend(), row);
    const Mark next{row, below, dragged};
    const bool changed =
        next.row != m_mark.row || next.below != m_mark.below || next.onDraggedRow != m_mark.onDraggedRow;
    m_lastRow = row;
    m_mark = next;
    m_insertionIndex = dragged ? -1 : (below ? row + 1 : row);
    return changed;
}

DragReorder::Scroll DragReorder::scrollFor(int y, int top, int bottom)
{
    if (y < top)
        return {Direction::Up, top - y < SlowZone ? SlowPeriodMs : FastPeriodMs};
    if (y > bottom)
        return {Direction::Down, y - bottom < SlowZone ? SlowPeriodMs : FastPeriodMs};
    return {};
}

bool DragReorder::tick(Direction direction, int count, int *target) const
{
    if (direction == Direction::None)
        return false;
    // On a dragged row there is no insertion place; the mark then moves on from the row it is on,
    // so that scrolling carries it past the dragged rows instead of leaving it stuck on them.
    const int from = m_insertionIndex >= 0 ? m_insertionIndex : m_mark.row;
    if (from < 0) {
        *target = -1;
        return true;
    }
    if ((direction == Direction::Up && from == 0) || (direction == Direction::Down && from >= count))
        return false;
    *target = direction == Direction::Up ? from - 1 : from + 1;
    return true;
}

int DragReorder::drop(CMySortStringArray &list, QList<int> rows, int insertionIndex)
{
    const int count = static_cast<int>(list.size());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.removeIf([count](int r) {
        return r < 0 || r >= count;
    });
    if (insertionIndex == -1 || rows.isEmpty())
        return -1;
    int t = insertionIndex < 0 || insertionIndex > count - 1 ? count : insertionIndex;
    for (qsizetype n = 0; n < rows.size(); ++n) {
        int k = rows[n];
        list.insert(t, list.entry(k));
        if (t < k)
            ++k;
        list.removeAt(k);
        for (qsizetype later = n + 1; later < rows.size(); ++later) {
            int &m = rows[later];
            if (k < m && m < t)
                --m;
            else if (t < m && m < k)
                ++m;
        }
        if (t < k)
            ++t;
    }
    return t - static_cast<int>(rows.size());
}

} // namespace Duovue
