#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>

namespace Duovue::Test
{

/// Pictures and byte strings for the similar-image search tests, made in code.
namespace SearchFactory
{

/// A picture of @p width x @p height in one colour.
QImage solid(int width, int height, QColor color);
/// A picture with a pattern that depends on @p seed (smooth blobs, so JPEG keeps its shape).
QImage pattern(int width, int height, int seed);
/// A picture whose pixels are 0x40-dark or 0xC0-bright as @p thumbnail says, each pixel of the
/// n x n grid drawn as a @p scale x @p scale block.
QImage fromThumbnail(const QByteArray &thumbnail, int n, int scale);

/// The picture encoded as JPEG (@p progressive for a progressive scan) or BMP.
QByteArray jpeg(const QImage &image, int quality = 90, bool progressive = false);
QByteArray bmp(const QImage &image);
/// BMP in the image's own format (Qt writes 1 and 8 bits per pixel with a colour table).
QByteArray bmpAsIs(const QImage &image);
/// A full-size decode of JPEG data with libjpeg's default settings (what an image editor that
/// saves a BMP copy would see).
QImage decodeJpeg(const QByteArray &data);

/// @p data followed by four bytes chosen so that the CRC-32 of the result is @p target.
QByteArray withCrc(const QByteArray &data, quint32 target);

/// Two different n x n thumbnails (bytes 0x40 / 0xC0) with the same CRC-32.
std::pair<QByteArray, QByteArray> collidingThumbnails(int n);

} // namespace SearchFactory

} // namespace Duovue::Test
