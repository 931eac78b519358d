#include "imaging/pixelops.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace Duovue::PixelOps
{

namespace
{

/// Side of the square blocks a rotation walks: the source rows of one block and the destination
/// rows it fills stay in the first-level cache, which a plain row-by-column walk of a large picture
/// thrashes on every pixel.
constexpr int Block = 64;

QImage asRgb32(const QImage &picture)
{
    return picture.format() == QImage::Format_RGB32 ? picture : picture.convertToFormat(QImage::Format_RGB32);
}

const quint32 *row(const QImage &image, int y)
{
    return reinterpret_cast<const quint32 *>(image.constScanLine(y));
}

quint32 *row(QImage &image, int y)
{
    return reinterpret_cast<quint32 *>(image.scanLine(y));
}

/// Writes source pixel (x, y) to (h - 1 - y, x) when @p clockwise, else to (y, w - 1 - x).
void rotate90(const QImage &source, QImage &out, bool clockwise)
{
    const int w = source.width();
    const int h = source.height();
    const qsizetype srcStride = source.bytesPerLine() / 4;
    const quint32 *src = row(source, 0);
    for (int by = 0; by < h; by += Block) {
        const int yEnd = std::min(by + Block, h);
        for (int bx = 0; bx < w; bx += Block) {
            const int xEnd = std::min(bx + Block, w);
            for (int x = bx; x < xEnd; ++x) {
                quint32 *dst = row(out, clockwise ? x : w - 1 - x);
                const quint32 *column = src + x;
                if (clockwise) {
                    for (int y = by; y < yEnd; ++y)
                        dst[h - 1 - y] = column[y * srcStride];
                } else {
                    for (int y = by; y < yEnd; ++y)
                        dst[y] = column[y * srcStride];
                }
            }
        }
    }
}

} // namespace

QImage transformed(const QImage &picture, Transform transform)
{
    if (picture.isNull())
        return {};
    const QImage source = asRgb32(picture);
    const int w = source.width();
    const int h = source.height();
    const bool rotation = transform == Transform::RotateLeft || transform == Transform::RotateRight;
    QImage out(rotation ? h : w, rotation ? w : h, QImage::Format_RGB32);
    if (out.isNull())
        return {};
    switch (transform) {
    case Transform::RotateRight:
    case Transform::RotateLeft:
        rotate90(source, out, transform == Transform::RotateRight);
        break;
    case Transform::FlipVertical:
        for (int y = 0; y < h; ++y)
            std::memcpy(row(out, h - 1 - y), row(source, y), size_t(w) * 4);
        break;
    case Transform::FlipHorizontal:
    case Transform::Rotate180:
        for (int y = 0; y < h; ++y) {
            const quint32 *s = row(source, y);
            std::reverse_copy(s, s + w, row(out, transform == Transform::Rotate180 ? h - 1 - y : y));
        }
        break;
    }
    return out;
}

void invert(QImage &picture)
{
    if (picture.isNull())
        return;
    picture = asRgb32(picture);
    for (int y = 0; y < picture.height(); ++y) {
        quint32 *p = row(picture, y);
        for (int x = 0; x < picture.width(); ++x)
            p[x] ^= 0x00ffffffu;
    }
}

int greyLevel(int red, int green, int blue)
{
    // Kept as separate steps, in this order, so that the rounding of every intermediate double
    // matches the documented formula (the compiler is told not to fuse them, see CMakeLists.txt).
    double grey = 0.59 * green;
    grey += 0.30 * red;
    grey += 0.11 * blue;
    return int(grey);
}

void makeGrey(QImage &picture)
{
    if (picture.isNull())
        return;
    picture = asRgb32(picture);
    for (int y = 0; y < picture.height(); ++y) {
        quint32 *p = row(picture, y);
        for (int x = 0; x < picture.width(); ++x) {
            const quint32 v = p[x];
            const auto grey = quint32(greyLevel(int((v >> 16) & 0xff), int((v >> 8) & 0xff), int(v & 0xff)));
            p[x] = (v & 0xff000000u) | (grey << 16) | (grey << 8) | grey;
        }
    }
}

void applyBrightness(const QImage &baseline, ChannelOffsets offsets, QImage &out)
{
    const QImage source = asRgb32(baseline);
    if (source.isNull()) {
        out = QImage();
        return;
    }
    if (offsets.isZero()) {
        out = source;
        return;
    }
    if (out.size() != source.size() || out.format() != QImage::Format_RGB32 || !out.isDetached())
        out = QImage(source.size(), QImage::Format_RGB32);

    // One table per channel, holding the channel's value already shifted into place.
    std::array<quint32, 256> red{}, green{}, blue{};
    for (int v = 0; v < 256; ++v) {
        red[v] = quint32(std::clamp(v + offsets.red, 0, 255)) << 16;
        green[v] = quint32(std::clamp(v + offsets.green, 0, 255)) << 8;
        blue[v] = quint32(std::clamp(v + offsets.blue, 0, 255));
    }
    const int w = source.width();
    for (int y = 0; y < source.height(); ++y) {
        const quint32 *s = row(source, y);
        quint32 *d = row(out, y);
        for (int x = 0; x < w; ++x) {
            const quint32 v = s[x];
            d[x] = (v & 0xff000000u) | red[(v >> 16) & 0xff] | green[(v >> 8) & 0xff] | blue[v & 0xff];
        }
    }
}

} // namespace Duovue::PixelOps
