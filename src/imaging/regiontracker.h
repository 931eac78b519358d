#pragma once

#include <span>
#include <vector>

#include <QList>
#include <QRect>

namespace Duovue
{

/// One 8-connected region of differing pixels: its bounding box and how many pixels it holds.
struct DifferenceRegion {
    QRect box;
    qint64 pixels = 0;

    friend bool operator==(const DifferenceRegion &, const DifferenceRegion &) = default;
};

/// A run of marked pixels in one row: columns begin .. end - 1.
struct PixelRun {
    int begin = 0;
    int end = 0;
};

/// Finds the 8-connected regions of marked pixels in one pass over the rows, holding only the
/// regions that touch the last row given (at most one per run of that row and the one before), so
/// its memory is bounded by the picture's width whatever the pattern. Counts every region and keeps
/// the largest: most pixels first, then the topmost, then the leftmost.
///
/// Thread: any; one object per picture.
class RegionTracker
{
public:
    /// Keeps the @p keep largest regions.
    explicit RegionTracker(int keep);

    /// Row @p y's marked runs, left to right, not touching each other. Rows come top to bottom; a
    /// row left out has no marked pixel.
    void addRow(int y, std::span<const PixelRun> runs);
    /// Ends the picture: the regions still open are counted. Call once, after the last row.
    void finish();

    qint64 count() const { return m_count; }
    /// The largest regions, largest first (see the class comment).
    QList<DifferenceRegion> largest() const;

    /// Whether @p a comes before @p b in the order of largest().
    static bool larger(const DifferenceRegion &a, const DifferenceRegion &b);

private:
    struct Node {
        int parent = 0;
        int left = 0, top = 0, right = 0, bottom = 0; // inclusive
        qint64 pixels = 0;
        int lastRow = -1; // the last row with a run of this region, once it is a root
    };
    struct LabelledRun {
        PixelRun run;
        int label = 0;
    };

    int find(int node);
    int newNode();
    void unite(int into, int other);
    void close(int root);
    void closeAll(const std::vector<LabelledRun> &runs, int unlessRow);
    void recycle();

    const int m_keep;
    std::vector<Node> m_nodes;
    std::vector<int> m_free;
    std::vector<int> m_retired; // nodes merged or closed during this row, free after it
    std::vector<LabelledRun> m_previous;
    std::vector<LabelledRun> m_current;
    int m_previousRow = -2;
    qint64 m_count = 0;
    std::vector<DifferenceRegion> m_heap; // the kept regions, the smallest of them on top
};

} // namespace Duovue
