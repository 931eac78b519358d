#include "support/imagingfactory.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QtEndian>

namespace Duovue::Test::ImagingFactory
{

namespace
{

void put16(QByteArray &out, quint16 v, bool bigEndian = false)
{
    char b[2];
    if (bigEndian)
        qToBigEndian(v, b);
    else
        qToLittleEndian(v, b);
    out.append(b, 2);
}

void put32(QByteArray &out, quint32 v, bool bigEndian = false)
{
    char b[4];
    if (bigEndian)
        qToBigEndian(v, b);
    else
        qToLittleEndian(v, b);
    out.append(b, 4);
}

QByteArray segment(quint8 marker, const QByteArray &payload)
{
    QByteArray out;
    out.append(char(0xFF)).append(char(marker));
    put16(out, quint16(payload.size() + 2), true);
    return out + payload;
}

qsizetype app0End(const QByteArray &jpeg)
{
    Q_ASSERT(quint8(jpeg[2]) == 0xFF && quint8(jpeg[3]) == 0xE0);
    return 4 + qFromBigEndian<quint16>(jpeg.constData() + 4);
}

} // namespace

QList<TiffEntry> resolutionEntries(quint32 x, quint32 y, quint16 unit)
{
    return {{0x011A, 5, x, 1}, {0x011B, 5, y, 1}, {0x0128, 3, unit, 0}};
}

QByteArray tiff(bool bigEndian, const QList<TiffEntry> &entries)
{
    QByteArray out(bigEndian ? "MM" : "II");
    put16(out, 42, bigEndian);
    put32(out, 8, bigEndian);
    put16(out, quint16(entries.size()), bigEndian);
    quint32 valueOffset = 8 + 2 + 12 * quint32(entries.size()) + 4;
    QByteArray values;
    for (const TiffEntry &e : entries) {
        put16(out, e.tag, bigEndian);
        put16(out, e.type, bigEndian);
        put32(out, 1, bigEndian);
        if (e.type == 5) {
            put32(out, valueOffset, bigEndian);
            put32(values, e.value, bigEndian);
            put32(values, e.denominator, bigEndian);
            valueOffset += 8;
        } else if (e.type == 3) {
            // A SHORT sits in the first two bytes of the value field in either byte order.
            put16(out, quint16(e.value), bigEndian);
            put16(out, 0, bigEndian);
        } else {
            put32(out, e.value, bigEndian);
        }
    }
    put32(out, 0, bigEndian);
    return out + values;
}

QByteArray jfifSegment(quint8 units, quint16 xDensity, quint16 yDensity)
{
    QByteArray payload("JFIF", 5);
    payload.append(char(1)).append(char(2)).append(char(units));
    put16(payload, xDensity, true);
    put16(payload, yDensity, true);
    payload.append(char(0)).append(char(0));
    return segment(0xE0, payload);
}

QByteArray jfxxSegment()
{
    QByteArray payload("JFXX", 5);
    payload.append(char(0x10));
    return segment(0xE0, payload);
}

QByteArray exifSegment(const QByteArray &tiffData)
{
    return segment(0xE1, QByteArray("Exif\0\0", 6) + tiffData);
}

QByteArray jpegHeader(const QList<QByteArray> &segments)
{
    QByteArray out("\xFF\xD8", 2);
    for (const QByteArray &s : segments)
        out += s;
    return out + QByteArray("\xFF\xD9", 2);
}

QByteArray encodedJpeg(QSize size, int dpi, bool progressive, int quality)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = qRgb((x * 255) / std::max(1, size.width()), (y * 255) / std::max(1, size.height()), 128);
    }
    const int dpm = qRound(dpi / 0.0254);
    image.setDotsPerMeterX(dpm);
    image.setDotsPerMeterY(dpm);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

QByteArray replaceApp0(const QByteArray &jpeg, const QByteArray &segmentBytes)
{
    return jpeg.left(2) + segmentBytes + jpeg.mid(app0End(jpeg));
}

QByteArray insertAfterApp0(const QByteArray &jpeg, const QByteArray &segmentBytes)
{
    const qsizetype end = app0End(jpeg);
    return jpeg.left(end) + segmentBytes + jpeg.mid(end);
}

namespace
{

QByteArray bmpPixels(QSize size, QColor fill)
{
    const int stride = (size.width() * 3 + 3) & ~3;
    QByteArray row(stride, '\0');
    for (int x = 0; x < size.width(); ++x) {
        row[3 * x] = char(fill.blue());
        row[3 * x + 1] = char(fill.green());
        row[3 * x + 2] = char(fill.red());
    }
    return row.repeated(size.height());
}

QByteArray bmpFileHeader(quint32 fileSize, quint32 pixelOffset)
{
    QByteArray out("BM");
    put32(out, fileSize);
    put32(out, 0);
    put32(out, pixelOffset);
    return out;
}

} // namespace

QByteArray windowsBmp(QSize size, qint32 xPixelsPerMetre, qint32 yPixelsPerMetre, QColor fill)
{
    const QByteArray pixels = bmpPixels(size, fill);
    QByteArray out = bmpFileHeader(quint32(54 + pixels.size()), 54);
    put32(out, 40);
    put32(out, quint32(size.width()));
    put32(out, quint32(size.height()));
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);
    put32(out, quint32(pixels.size()));
    put32(out, quint32(xPixelsPerMetre));
    put32(out, quint32(yPixelsPerMetre));
    put32(out, 0);
    put32(out, 0);
    return out + pixels;
}

QByteArray os2Bmp(QSize size, QColor fill)
{
    const QByteArray pixels = bmpPixels(size, fill);
    QByteArray out = bmpFileHeader(quint32(26 + pixels.size()), 26);
    put32(out, 12);
    put16(out, quint16(size.width()));
    put16(out, quint16(size.height()));
    put16(out, 1);
    put16(out, 24);
    return out + pixels;
}

namespace
{

/// LZW data that never compresses: a clear code before the code table would need a wider code,
/// so every code has the starting width.
QByteArray lzwImageData(const QList<quint8> &indices, int minCodeSize)
{
    const int clear = 1 << minCodeSize;
    const int width = minCodeSize + 1;
    const int run = clear - 3;
    QByteArray packed;
    quint32 acc = 0;
    int bits = 0;
    auto push = [&](int code) {
        acc |= quint32(code) << bits;
        bits += width;
        while (bits >= 8) {
            packed.append(char(acc & 0xFF));
            acc >>= 8;
            bits -= 8;
        }
    };
    for (qsizetype i = 0; i < indices.size(); ++i) {
        if (i % run == 0)
            push(clear);
        push(indices[i]);
    }
    push(clear + 1);
    if (bits > 0)
        packed.append(char(acc & 0xFF));

    QByteArray out;
    out.append(char(minCodeSize));
    for (qsizetype pos = 0; pos < packed.size(); pos += 255) {
        const QByteArray block = packed.mid(pos, 255);
        out.append(char(block.size())).append(block);
    }
    out.append(char(0));
    return out;
}

QByteArray colourTable(int bits)
{
    QByteArray out;
    const int n = 1 << bits;
    for (int i = 0; i < n; ++i)
        out.append(char((i * 255) / std::max(1, n - 1)))
            .append(char(255 - (i * 255) / std::max(1, n - 1)))
            .append(char(64));
    return out;
}

} // namespace

QByteArray gif(QSize size, const char *version, int bits, int frames)
{
    QByteArray out("GIF");
    out.append(version, 3);
    put16(out, quint16(size.width()));
    put16(out, quint16(size.height()));
    out.append(char(bits > 0 ? 0x80 | ((bits - 1) << 4) | (bits - 1) : 0));
    out.append(char(0)).append(char(0));
    if (bits > 0)
        out += colourTable(bits);
    const int tableBits = bits > 0 ? bits : 1;
    if (frames > 1) {
        out += QByteArray("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    }
    for (int f = 0; f < frames; ++f) {
        if (frames > 1)
            out += QByteArray("\x21\xF9\x04\x00\x0A\x00\x00\x00", 8);
        out.append(char(0x2C));
        put16(out, 0);
        put16(out, 0);
        put16(out, quint16(size.width()));
        put16(out, quint16(size.height()));
        out.append(char(bits > 0 ? 0 : 0x80));
        if (bits == 0)
            out += colourTable(1);
        QList<quint8> indices;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                indices.append(quint8((x / 4 + y / 4 + f) % (1 << tableBits)));
        out += lzwImageData(indices, std::max(2, tableBits));
    }
    out.append(char(0x3B));
    return out;
}

QByteArray gif(const QImage &indexed)
{
    Q_ASSERT(indexed.format() == QImage::Format_Indexed8);
    QByteArray out("GIF89a");
    put16(out, quint16(indexed.width()));
    put16(out, quint16(indexed.height()));
    out.append(char(0xF7)).append(char(0)).append(char(0)); // a table of 256 colours
    const QList<QRgb> table = indexed.colorTable();
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < table.size() ? table[i] : 0;
        out.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
    }
    out.append(char(0x2C));
    put16(out, 0);
    put16(out, 0);
    put16(out, quint16(indexed.width()));
    put16(out, quint16(indexed.height()));
    out.append(char(0));
    QList<quint8> indices;
    for (int y = 0; y < indexed.height(); ++y)
        for (int x = 0; x < indexed.width(); ++x)
            indices.append(indexed.constScanLine(y)[x]);
    out += lzwImageData(indices, 8);
    out.append(char(0x3B));
    return out;
}

QByteArray pngHeader()
{
    QByteArray out("\x89PNG\r\n\x1A\n", 8);
    put32(out, 13, true);
    out += "IHDR";
    put32(out, 16, true);
    put32(out, 16, true);
    out.append(char(8)).append(char(2)).append(char(0)).append(char(0)).append(char(0));
    put32(out, 0, true);
    return out;
}

void setLe16(QByteArray &bytes, qsizetype at, quint16 value)
{
    qToLittleEndian(value, bytes.data() + at);
}

void setLe32(QByteArray &bytes, qsizetype at, quint32 value)
{
    qToLittleEndian(value, bytes.data() + at);
}

QByteArray withDeclaredSize(const QByteArray &jpeg, quint16 width, quint16 height)
{
    QByteArray out = jpeg;
    // The first start-of-frame marker (C0 to C2); the sizes follow its length and precision.
    for (qsizetype i = 2; i + 9 < out.size(); ++i) {
        const auto marker = static_cast<quint8>(out[i + 1]);
        if (static_cast<quint8>(out[i]) == 0xFF && marker >= 0xC0 && marker <= 0xC2) {
            qToBigEndian(height, out.data() + i + 5);
            qToBigEndian(width, out.data() + i + 7);
            break;
        }
    }
    return out;
}

QByteArray withRepeatedScan(const QByteArray &jpeg, int extra)
{
    // Entropy-coded data never holds FF DA, so each one starts a scan. The first scan of a
    // progressive file sets the DC values outright; decoded again, it sets the same values.
    const QByteArrayView sos("\xFF\xDA", 2);
    const qsizetype first = jpeg.indexOf(sos);
    const qsizetype second = jpeg.indexOf(sos, first + 2);
    return jpeg.left(second) + jpeg.mid(first, second - first).repeated(extra) + jpeg.mid(second);
}

bool makeSparseFile(const QString &path, const QByteArray &head, qint64 size)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(head) == head.size() && file.resize(size);
}

} // namespace Duovue::Test::ImagingFactory
