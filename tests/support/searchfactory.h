#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>

#include "lists/cmysortstringarray.h"

namespace Duovue::Test
{

/// Pictures and byte strings for the similar-image search tests, made in code.
namespace SearchFactory
{

/// A picture of @p width x @p height in one colour.
QImage solid(int width, int height, QColor color);
/// A picture with a pattern that depends on @p seed (smooth blobs, so JPEG keeps its shape).
QImage pattern(int width, int height, int seed);
/// How a photo-like scene is looked at: the window moved by a fraction of its size, made smaller
/// by a factor (zoomed in), the scene's subject moved, other sensor noise, other light.
struct Shot {
    double shiftX = 0;
    double shiftY = 0;
    double zoom = 1;
    double subjectX = 0;
    unsigned noise = 1;
    double exposure = 1;
};
/// A photo-like picture of scene @p seed: a sky-to-ground gradient, soft-edged shapes of many
/// sizes and colours, a striped subject, and sensor noise.
QImage scene(int width, int height, int seed, const Shot &shot = {});
/// A linear gradient from @p from to @p to at @p degrees, with a trace of noise.
QImage gradient(int width, int height, QColor from, QColor to, double degrees);
/// One colour with a trace of noise (a wall, a clear sky).
QImage flat(int width, int height, QColor color, unsigned noise = 1);

/// A picture whose pixels are 0x40-dark or 0xC0-bright as @p thumbnail says, each pixel of the
/// n x n grid drawn as a @p scale x @p scale block.
QImage fromThumbnail(const QByteArray &thumbnail, int n, int scale);

/// The picture in at most 256 colours of its own (a GIF converter's palette), Format_Indexed8,
/// with error diffusion when @p dither.
QImage indexed(const QImage &image, bool dither);

/// The picture encoded as JPEG (@p progressive for a progressive scan) or BMP.
QByteArray jpeg(const QImage &image, int quality = 90, bool progressive = false);
QByteArray bmp(const QImage &image);
/// BMP in the image's own format (Qt writes 1 and 8 bits per pixel with a colour table).
QByteArray bmpAsIs(const QImage &image);
/// A full-size decode of JPEG data with libjpeg's default settings (what an image editor that
/// saves a BMP copy would see).
QImage decodeJpeg(const QByteArray &data);

/// "label:name" of every result row, in order.
QStringList rowsOf(const std::vector<FileList::Entry> &rows);

/// @p data followed by four bytes chosen so that the CRC-32 of the result is @p target.
QByteArray withCrc(const QByteArray &data, quint32 target);

/// Two different n x n thumbnails (bytes 0x40 / 0xC0) with the same CRC-32.
std::pair<QByteArray, QByteArray> collidingThumbnails(int n);

} // namespace SearchFactory

} // namespace Duovue::Test
