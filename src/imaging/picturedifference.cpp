#include "imaging/picturedifference.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace Duovue::PictureDifference
{

namespace
{

QImage asRgb32(const QImage &picture)
{
    return picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32
        ? picture
        : picture.convertToFormat(QImage::Format_RGB32);
}

inline int channelDistance(QRgb a, QRgb b)
{
    const int red = std::abs(qRed(a) - qRed(b));
    const int green = std::abs(qGreen(a) - qGreen(b));
    const int blue = std::abs(qBlue(a) - qBlue(b));
    return std::max({red, green, blue});
}

} // namespace

QImage channelDifferences(const QImage &left, const QImage &right)
{
    Q_ASSERT(left.size() == right.size());
    const QImage a = asRgb32(left);
    const QImage b = asRgb32(right);
    QImage out(a.size(), QImage::Format_Grayscale8);
    if (out.isNull())
        return out;
    const int width = a.width();
    for (int y = 0; y < a.height(); ++y) {
        const auto *pa = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *pb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        uchar *po = out.scanLine(y);
        for (int x = 0; x < width; ++x)
            po[x] = uchar(channelDistance(pa[x], pb[x]));
    }
    return out;
}

DifferenceSummary summarise(const QImage &differences, int tolerance, int keepRegions)
{
    Q_ASSERT(differences.format() == QImage::Format_Grayscale8);
    DifferenceSummary summary;
    const int width = differences.width();
    summary.totalPixels = qint64(width) * differences.height();
    const auto limit = uchar(std::clamp(tolerance, 0, MaxTolerance));
    RegionTracker tracker(keepRegions);
    std::vector<PixelRun> runs;
    for (int y = 0; y < differences.height(); ++y) {
        const uchar *row = differences.constScanLine(y);
        runs.clear();
        int x = 0;
        while (x < width) {
            while (x < width && row[x] <= limit)
                ++x;
            if (x == width)
                break;
            const int begin = x;
            while (x < width && row[x] > limit)
                ++x;
            runs.push_back({begin, x});
            summary.differingPixels += x - begin;
        }
        if (!runs.empty())
            tracker.addRow(y, runs);
    }
    tracker.finish();
    summary.regionCount = tracker.count();
    summary.regions = tracker.largest();
    return summary;
}

int dimmedGrey(QRgb pixel)
{
    return 64 + ((77 * qRed(pixel) + 150 * qGreen(pixel) + 29 * qBlue(pixel)) >> 9);
}

QImage dimmedGreys(const QImage &picture)
{
    const QImage source = asRgb32(picture);
    QImage out(source.size(), QImage::Format_Grayscale8);
    if (out.isNull())
        return out;
    for (int y = 0; y < source.height(); ++y) {
        const auto *p = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        uchar *g = out.scanLine(y);
        for (int x = 0; x < source.width(); ++x)
            g[x] = uchar(dimmedGrey(p[x]));
    }
    return out;
}

QImage marked(const QImage &greys, const QImage &differences, int tolerance)
{
    Q_ASSERT(greys.size() == differences.size() && greys.format() == QImage::Format_Grayscale8
        && differences.format() == QImage::Format_Grayscale8);
    QImage out(greys.size(), QImage::Format_RGB32);
    if (out.isNull())
        return out;
    const auto limit = uchar(std::clamp(tolerance, 0, MaxTolerance));
    const int width = out.width();
    for (int y = 0; y < out.height(); ++y) {
        const uchar *d = differences.constScanLine(y);
        const uchar *g = greys.constScanLine(y);
        auto *p = reinterpret_cast<QRgb *>(out.scanLine(y));
        // Without a branch the compiler can do several pixels a step: a slider redraws at once
        // however the marks are scattered.
        for (int x = 0; x < width; ++x) {
            const quint32 mark = 0u - quint32(d[x] > limit);
            p[x] = (mark & MarkColour) | (~mark & (0xFF000000u | (0x010101u * g[x])));
        }
    }
    return out;
}

QImage markedFitted(const QImage &fittedGreys, const QImage &differences, int tolerance)
{
    QImage out = fittedGreys.convertToFormat(QImage::Format_RGB32);
    if (out.isNull() || differences.isNull())
        return out;
    const int width = differences.width();
    const int height = differences.height();
    std::vector<int> column(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x)
        column[size_t(x)] = int(qint64(x) * out.width() / width);
    const auto limit = uchar(std::clamp(tolerance, 0, MaxTolerance));
    for (int y = 0; y < height; ++y) {
        const uchar *d = differences.constScanLine(y);
        auto *p = reinterpret_cast<QRgb *>(out.scanLine(int(qint64(y) * out.height() / height)));
        for (int x = 0; x < width; ++x) {
            if (d[x] > limit)
                p[column[size_t(x)]] = MarkColour;
        }
    }
    return out;
}

QImage fittedTo(const QImage &picture, QSize size)
{
    QImage scaled =
        picture.size() == size ? picture : picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return scaled.format() == QImage::Format_RGB32 ? scaled : scaled.convertToFormat(QImage::Format_RGB32);
}

} // namespace Duovue::PictureDifference
