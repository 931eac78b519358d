#pragma once

#include <QImage>

namespace Duovue
{

/// Whole-picture pixel operations of the viewer panes: rotations, flips, colour inversion, grey and
/// per-channel brightness. They work on a pane's bitmap, a QImage in Format_RGB32 (blue, green, red
/// and one byte that carries no colour, which every operation leaves as it was); a picture in
/// another format is converted first. The file on disk is never touched.
///
/// Thread: any; the functions touch nothing shared. Returned pictures belong to the caller.
namespace PixelOps
{

enum class Transform {
    RotateLeft, ///< 90° counter-clockwise: pixel (x, y) goes to (y, w - 1 - x)
    RotateRight, ///< 90° clockwise: pixel (x, y) goes to (h - 1 - y, x)
    Rotate180, ///< (x, y) goes to (w - 1 - x, h - 1 - y)
    FlipVertical, ///< top to bottom: (x, y) goes to (x, h - 1 - y)
    FlipHorizontal, ///< left to right: (x, y) goes to (w - 1 - x, y)
};

/// The picture after @p transform; the rotations swap width and height. A null picture stays null.
QImage transformed(const QImage &picture, Transform transform);

/// Every channel becomes 255 - value.
void invert(QImage &picture);

/// The grey level of one pixel: 0.59 green + 0.30 red, then + 0.11 blue, in double precision and
/// truncated toward zero (so (1, 1, 1) gives 0 and (255, 255, 255) gives 255).
int greyLevel(int red, int green, int blue);
/// Every pixel's three channels become its grey level.
void makeGrey(QImage &picture);

/// Brightness offsets per channel, each -100..100.
struct ChannelOffsets {
    int red = 0;
    int green = 0;
    int blue = 0;

    bool isZero() const { return red == 0 && green == 0 && blue == 0; }
    friend bool operator==(const ChannelOffsets &, const ChannelOffsets &) = default;
};

/// Writes @p baseline with each channel moved by its offset and clamped to 0..255 into @p out,
/// reusing @p out's buffer when it already has the right size (a live preview calls this for every
/// slider step). Zero offsets give an exact copy of @p baseline. Because it always starts from the
/// baseline, changes never accumulate.
void applyBrightness(const QImage &baseline, ChannelOffsets offsets, QImage &out);

} // namespace PixelOps

} // namespace Duovue
