#include "imaging/regiontracker.h"

#include <algorithm>
#include <climits>

namespace Duovue
{

namespace
{

constexpr int Closed = -3;

} // namespace

RegionTracker::RegionTracker(int keep)
    : m_keep(std::max(0, keep))
{
}

bool RegionTracker::larger(const DifferenceRegion &a, const DifferenceRegion &b)
{
    if (a.pixels != b.pixels)
        return a.pixels > b.pixels;
    if (a.box.top() != b.box.top())
        return a.box.top() < b.box.top();
    return a.box.left() < b.box.left();
}

int RegionTracker::find(int node)
{
    int root = node;
    while (m_nodes[root].parent != root)
        root = m_nodes[root].parent;
    while (m_nodes[node].parent != root) {
        const int next = m_nodes[node].parent;
        m_nodes[node].parent = root;
        node = next;
    }
    return root;
}

int RegionTracker::newNode()
{
    int id = 0;
    if (m_free.empty()) {
        id = int(m_nodes.size());
        m_nodes.emplace_back();
    } else {
        id = m_free.back();
        m_free.pop_back();
    }
    Node &n = m_nodes[id];
    n = Node();
    n.parent = id;
    n.left = n.top = INT_MAX;
    n.right = n.bottom = INT_MIN;
    return id;
}

void RegionTracker::unite(int into, int other)
{
    Node &a = m_nodes[into];
    const Node &b = m_nodes[other];
    a.left = std::min(a.left, b.left);
    a.top = std::min(a.top, b.top);
    a.right = std::max(a.right, b.right);
    a.bottom = std::max(a.bottom, b.bottom);
    a.pixels += b.pixels;
    m_nodes[other].parent = into;
    m_retired.push_back(other);
}

void RegionTracker::close(int root)
{
    Node &n = m_nodes[root];
    n.lastRow = Closed;
    m_retired.push_back(root);
    ++m_count;
    if (m_keep == 0)
        return;
    const DifferenceRegion region{QRect(QPoint(n.left, n.top), QPoint(n.right, n.bottom)), n.pixels};
    // A heap whose top is the smallest region kept, so that a larger one replaces it.
    if (int(m_heap.size()) < m_keep) {
        m_heap.push_back(region);
        std::push_heap(m_heap.begin(), m_heap.end(), larger);
    } else if (larger(region, m_heap.front())) {
        std::pop_heap(m_heap.begin(), m_heap.end(), larger);
        m_heap.back() = region;
        std::push_heap(m_heap.begin(), m_heap.end(), larger);
    }
}

void RegionTracker::closeAll(const std::vector<LabelledRun> &runs, int unlessRow)
{
    for (const LabelledRun &r : runs) {
        const int root = find(r.label);
        if (m_nodes[root].lastRow != Closed && m_nodes[root].lastRow != unlessRow)
            close(root);
    }
}

void RegionTracker::recycle()
{
    // Nothing points at these any more: the current row's labels are roots that stay open.
    m_free.insert(m_free.end(), m_retired.begin(), m_retired.end());
    m_retired.clear();
}

void RegionTracker::addRow(int y, std::span<const PixelRun> runs)
{
    if (y != m_previousRow + 1) {
        closeAll(m_previous, Closed);
        recycle();
        m_previous.clear();
    }
    m_current.clear();
    size_t first = 0; // the first run of the row above that can still touch a run of this row
    for (const PixelRun &run : runs) {
        while (first < m_previous.size() && m_previous[first].run.end < run.begin)
            ++first;
        int label = -1;
        // Diagonal neighbours count: a run above touches when it reaches one column either side.
        for (size_t k = first; k < m_previous.size() && m_previous[k].run.begin <= run.end; ++k) {
            const int root = find(m_previous[k].label);
            if (label < 0)
                label = root;
            else if (root != label)
                unite(label, root);
        }
        if (label < 0)
            label = newNode();
        Node &n = m_nodes[label];
        n.left = std::min(n.left, run.begin);
        n.right = std::max(n.right, run.end - 1);
        n.top = std::min(n.top, y);
        n.bottom = std::max(n.bottom, y);
        n.pixels += run.end - run.begin;
        m_current.push_back({run, label});
    }
    for (LabelledRun &r : m_current) {
        r.label = find(r.label);
        m_nodes[r.label].lastRow = y;
    }
    closeAll(m_previous, y);
    recycle();
    std::swap(m_previous, m_current);
    m_previousRow = y;
}

void RegionTracker::finish()
{
    closeAll(m_previous, Closed);
    recycle();
    m_previous.clear();
}

QList<DifferenceRegion> RegionTracker::largest() const
{
    QList<DifferenceRegion> sorted(m_heap.begin(), m_heap.end());
    std::sort(sorted.begin(), sorted.end(), larger);
    return sorted;
}

} // namespace Duovue
