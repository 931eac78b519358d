#pragma once

#include <cstdint>
#include <vector>

#include <QByteArray>

#include "imaging/picturedecoder.h"

namespace Duovue
{

/// Area-average reduction of a W x H picture to N x N, fed one scanline at a time in any order, so
/// a decoder never needs the whole picture in memory. Every source pixel contributes to each output
/// pixel with the exact area they share (the aspect ratio is ignored); the sums are integers, so
/// the result does not depend on the order of the rows.
///
/// It is a PictureSink, so a decoder can feed it directly; one decode can feed several reductions
/// through a sink that passes each row on.
///
/// Thread: one object per decode at a time; not shared.
class BoxReducer final : public PictureSink
{
public:
    /// A reduction to @p n x @p n (at least 1) of the picture a decoder announces with begin().
    explicit BoxReducer(int n);
    /// The same, for a @p width x @p height picture (both at least 1).
    BoxReducer(int width, int height, int n);

    qint64 bytesFor(int width, int height) const override;
    /// Starts over for a @p width x @p height picture.
    bool begin(int width, int height) override;
    /// Adds source row @p y (0 = top) of the picture's width in @p format.
    void addRow(int y, const unsigned char *pixels, PixelFormat format) override;

    /// The N x N two-level thumbnail, top row first: 0xC0 where the rounded average colour has a
    /// luminance of 128 or more, else 0x40.
    QByteArray thumbnail() const;

    /// The rounded average colour of output pixel (@p row, @p col) as 0xRRGGBB, for tests.
    std::uint32_t averageRgb(int row, int col) const;
    /// The exact average of channel @p channel (0 red, 1 green, 2 blue) of output pixel (@p row,
    /// @p col), 0 to 255.
    double average(int row, int col, int channel) const;
    int size() const { return m_n; }

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

    int m_width = 0;
    int m_height = 0;
    int m_n;
    std::vector<Span> m_spans; // per output column
    std::vector<std::uint64_t> m_rowSums; // n x 3, the current row's weighted sums per column
    std::vector<std::uint64_t> m_sums; // n x n x 3
};

} // namespace Duovue
