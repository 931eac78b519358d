#pragma once

#include <cstdint>
#include <vector>

#include <QByteArray>

namespace Duovue
{

/// Area-average reduction of a W x H picture to N x N, fed one scanline at a time in any order, so
/// a decoder never needs the whole picture in memory. Every source pixel contributes to each output
/// pixel with the exact area they share (the aspect ratio is ignored); the sums are integers, so
/// the result does not depend on the order of the rows.
///
/// Thread: one object per decode; not shared.
class BoxReducer
{
public:
    enum class PixelFormat {
        Rgb24, // R, G, B
        Bgrx32, // B, G, R, unused (QImage::Format_RGB32 in memory on little-endian machines)
        Gray8 // one byte, R = G = B
    };

    /// @p width and @p height at least 1, @p n at least 1.
    BoxReducer(int width, int height, int n);

    /// Adds source row @p y (0 = top) of @p width pixels in @p format.
    void addRow(int y, const unsigned char *pixels, PixelFormat format);

    /// The N x N two-level thumbnail, top row first: 0xC0 where the rounded average colour has a
    /// luminance of 128 or more, else 0x40.
    QByteArray thumbnail() const;

    /// The rounded average colour of output pixel (@p row, @p col) as 0xRRGGBB, for tests.
    std::uint32_t averageRgb(int row, int col) const;

    /// The two-level value of one pixel: luminance 0.59 G + 0.30 R + 0.11 B in double precision,
    /// truncated; 0xC0 at 128 or more, 0x40 below.
    static unsigned char twoLevel(int r, int g, int b);

private:
    struct Span {
        int fullBegin = 0; // pixels fully inside the output column, weight n each
        int fullEnd = 0;
        int partial[2] = {-1, -1}; // pixels that straddle a column edge
        std::uint32_t partialWeight[2] = {0, 0};
    };

    template <PixelFormat F> void sumRow(const unsigned char *pixels);

    int m_width;
    int m_height;
    int m_n;
    std::vector<Span> m_spans; // per output column
    std::vector<std::uint64_t> m_rowSums; // n x 3, the current row's weighted sums per column
    std::vector<std::uint64_t> m_sums; // n x n x 3
};

} // namespace Duovue
