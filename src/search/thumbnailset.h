#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>

#include "imaging/picturedecoder.h"
#include "search/bitmapkey.h"

namespace Duovue
{

/// The bitmap method's two-level thumbnails of one picture at every reduction size the search
/// dialog offers (N = 10 to 20), one bit per pixel: what the key cache keeps of a picture, so that
/// a search at another precision finds its keys too. thumbnail(n) is byte for byte what
/// BoxReducer(n) makes of the same rows.
///
/// Thread: any (a value).
class ThumbnailSet
{
public:
    static constexpr int First = 10;
    static constexpr int Last = 20;
    static constexpr int Sizes = Last - First + 1;
    /// Raised whenever a picture's thumbnails change: the reduction, the two-level rule, the
    /// decoder's pixels or the packing below. Cached sets of another version are not used.
    static constexpr int Version = 1;
    /// Bytes of bytes(): each size's n x n bits, top row first, most significant bit first, each
    /// size starting on a new byte.
    static constexpr int PackedBytes = 329;

    static bool covers(int n) { return n >= First && n <= Last; }

    /// The n x n thumbnail as BoxReducer makes it, bytes of 0x40 and 0xC0; empty when @p n is not
    /// covered or the set is empty.
    QByteArray thumbnail(int n) const;
    /// The bitmap key at reduction size @p n of a @p width x @p height picture with these
    /// thumbnails, as BitmapKeyMaker(n) computes it.
    BitmapKey key(int n, int width, int height) const;
    /// The packed form, PackedBytes long (empty for an empty set).
    const QByteArray &bytes() const { return m_bits; }
    /// A set from its packed form; nothing when @p bytes has not the packed length.
    static std::optional<ThumbnailSet> fromBytes(const QByteArray &bytes);

    bool isEmpty() const { return m_bits.isEmpty(); }

private:
    friend class ThumbnailSetReducer;
    static int offset(int n);

    QByteArray m_bits;
};

/// Area averages of a W x H picture at every size of ThumbnailSet at once, fed one row at a time in
/// any order like BoxReducer, at no more than the cost of one size: the row edges of all sizes cut
/// the picture into bands, the column edges into segments. The rows of a band are first added
/// pixel by pixel (a loop the compiler vectorises), the band's total is summed segment by segment
/// once, and only then spread onto the eleven grids. The sums are the same integers BoxReducer
/// forms, so the thumbnails are identical.
///
/// Thread: one object per decode at a time; not shared.
class ThumbnailSetReducer final : public PictureSink
{
public:
    ThumbnailSetReducer() = default;

    qint64 bytesFor(int width, int height) const override;
    bool begin(int width, int height) override;
    void addRow(int y, const unsigned char *pixels, PixelFormat format) override;

    /// The thumbnails, once every row was added.
    ThumbnailSet result() const;

private:
    // One axis of the reduction (columns or rows) for every size: the source pixels are cut into
    // segments at every edge any size has, and each output cell is a run of whole segments plus
    // at most two pixels that it shares with a neighbour.
    struct Cell {
        int fullBegin = 0; // segments wholly inside, weight n each
        int fullEnd = 0;
        int partial[2] = {-1, -1}; // one-pixel segments shared with a neighbour
        std::uint32_t weight[2] = {0, 0};
    };
    struct Axis {
        std::vector<int> starts; // segment i is source pixels [starts[i], starts[i + 1])
        std::vector<Cell> cells; // per size, per output index
        void build(int extent);
        int segments() const { return static_cast<int>(starts.size()) - 1; }
    };
    struct Target {
        int size; // index of n - First
        int row;
        std::uint32_t weight;
    };

    template <PixelFormat F> void sumRow(const std::uint32_t *pixels, std::uint64_t *band);
    void foldWide();
    void flushBand(int band);

    int m_width = 0;
    int m_height = 0;
    Axis m_columns;
    Axis m_rows;
    std::vector<int> m_bandOfRow; // row segment of each source row
    std::vector<int> m_rowsLeft; // rows not yet added, per row segment
    std::vector<std::vector<Target>> m_targets; // per row segment: the output rows it adds to
    std::vector<std::vector<std::uint64_t>> m_bands; // per row segment being filled: prefix sums x 3
    std::vector<std::uint64_t> m_spare;
    // The rows of one band added pixel by pixel, as they come, until the band is complete or a row
    // of another band comes.
    std::vector<std::uint32_t> m_wide;
    int m_wideBand = -1;
    PixelFormat m_wideFormat = PixelFormat::Bgrx32;
    std::vector<std::uint64_t> m_sums; // every size's n x n x 3 sums, one after another
};

} // namespace Duovue
