#include <algorithm>
#include <array>
#include <cstring>

#include <QBuffer>
#include <QImageReader>

#include "imaging/decodejob.h"

namespace Duovue::Decoding
{

namespace
{

// ---- BMP -------------------------------------------------------------------------------------

struct BmpLayout {
    std::uint32_t dataOffset = 0;
    std::uint32_t infoSize = 0;
    qint64 width = 0;
    qint64 height = 0; // the number of rows; the header's sign gives the order
    bool topDown = false;
    unsigned planes = 0;
    unsigned bits = 0;
    std::uint32_t compression = 0;
    std::uint32_t colours = 0; // entries of the colour table the header declares (0: the default)
};

enum : std::uint32_t { BmpRgb = 0, BmpRle8 = 1, BmpRle4 = 2, BmpBitFields = 3, BmpAlphaBitFields = 6 };

/// Reads the file and information headers at the start of @p p; false when they are cut short.
bool readBmpLayout(const unsigned char *p, std::size_t n, BmpLayout &out)
{
    if (n < 18)
        return false;
    out.dataOffset = le32(p + 10);
    out.infoSize = le32(p + 14);
    if (out.infoSize == 12) { // OS/2 1.x: 16-bit sizes, no compression
        if (n < 26)
            return false;
        out.width = le16(p + 18);
        out.height = le16(p + 20);
        out.planes = le16(p + 22);
        out.bits = le16(p + 24);
        return true;
    }
    if (n < 50)
        return false;
    out.width = static_cast<std::int32_t>(le32(p + 18));
    const qint64 rawHeight = static_cast<std::int32_t>(le32(p + 22));
    out.topDown = rawHeight < 0;
    out.height = rawHeight < 0 ? -rawHeight : rawHeight;
    out.planes = le16(p + 26);
    out.bits = le16(p + 28);
    out.compression = le32(p + 30);
    out.colours = le32(p + 46);
    return true;
}

qint64 bmpStride(const BmpLayout &b)
{
    return (b.width * b.bits + 31) / 32 * 4;
}

/// Entries of the colour table read from a picture of up to 8 bits.
std::uint32_t bmpColours(const BmpLayout &b)
{
    const std::uint32_t maximum = 1u << b.bits;
    return b.colours == 0 || b.colours > maximum ? maximum : b.colours;
}

/// Uncompressed 1, 4, 8, 24 and 32-bit pictures with the common 40-byte header, their rows after
/// their colour table, are read here row by row; other layouts go to Qt's reader whole.
bool bmpStreams(const BmpLayout &b)
{
    if (b.infoSize != 40 || b.planes != 1 || b.compression != BmpRgb)
        return false;
    if (b.bits == 24 || b.bits == 32)
        return b.dataOffset >= 14 + 40;
    return (b.bits == 1 || b.bits == 4 || b.bits == 8) && b.dataOffset >= 14 + 40 + bmpColours(b) * 4;
}

void decodeBmpRows(Job &job, const BmpLayout &b)
{
    Source &source = job.source;
    const qint64 stride = bmpStride(b);
    const qint64 rowWork = stride + b.width * 4;
    // Short rows are known from the file's length before anything is read or reserved.
    if (b.width >= 1 && b.width <= MaxSide && b.height <= MaxSide
        && qint64(b.dataOffset) + stride * b.height > source.size()) {
        job.fail(Status::Truncated, QStringLiteral("the BMP file ends before its last row"));
        return;
    }
    if (!job.allowed(b.width, b.height, b.width * b.height * 4 + rowWork))
        return;
    const int width = static_cast<int>(b.width);
    const int height = static_cast<int>(b.height);
    if (!job.reserve(job.sink.bytesFor(width, height) + rowWork) || !job.begin(width, height))
        return;

    // Indices beyond the table read as black, as Qt's reader shows them.
    std::array<unsigned char, 256 * 4> palette{}; // B, G, R, 0xFF per entry
    for (std::size_t i = 0; i < 256; ++i)
        palette[i * 4 + 3] = 0xFF;
    if (b.bits <= 8) {
        const std::uint32_t colours = bmpColours(b);
        std::array<unsigned char, 256 * 4> table{};
        if (!source.skipTo(14 + 40) || !source.read(table.data(), colours * 4)) {
            job.fail(Status::Truncated, QStringLiteral("the BMP colour table is cut short"));
            return;
        }
        for (std::size_t i = 0; i < colours; ++i)
            std::memcpy(&palette[i * 4], &table[i * 4], 3);
    }
    if (!source.skipTo(b.dataOffset)) {
        job.fail(Status::Truncated, QStringLiteral("the BMP file ends before its rows"));
        return;
    }

    job.rows.resize(std::size_t(stride) + std::size_t(width) * 4);
    unsigned char *raw = job.rows.data();
    unsigned char *scratch = raw + stride;
    for (int i = 0; i < height; ++i) {
        if (i % RowsBetweenCancelChecks == 0 && job.cancelled()) {
            job.failCancelled();
            return;
        }
        if (!source.read(raw, std::size_t(stride))) {
            if (source.failed())
                job.fail(Status::ReadFailed, QStringLiteral("the file could not be read"));
            else
                job.fail(Status::Truncated, QStringLiteral("the BMP file ends before its last row"));
            return;
        }
        const int y = b.topDown ? i : height - 1 - i;
        unsigned char *target = job.sink.rowTarget(y);
        unsigned char *out = target ? target : scratch;
        if (b.bits == 24 || b.bits == 32) {
            const int step = static_cast<int>(b.bits / 8);
            const unsigned char *in = raw;
            for (int x = 0; x < width; ++x, in += step, out += 4) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
                out[3] = 0xFF;
            }
        } else {
            const unsigned mask = (1u << b.bits) - 1;
            for (int x = 0; x < width; ++x, out += 4) {
                const std::size_t bit = std::size_t(x) * b.bits;
                const unsigned index = (raw[bit / 8] >> (8 - b.bits - bit % 8)) & mask;
                std::memcpy(out, &palette[index * 4], 4);
            }
        }
        if (!target)
            job.sink.addRow(y, scratch, PictureSink::PixelFormat::Bgrx32);
    }
    job.result.status = Status::Ok;
}

/// Whether run-length coded rows from @p at reach their end-of-picture code, or end every row,
/// before the data ends.
bool bmpRunsComplete(const unsigned char *d, std::size_t n, std::size_t at, qint64 height, bool fourBits)
{
    qint64 rows = 0;
    while (at + 2 <= n) {
        const unsigned count = d[at];
        const unsigned code = d[at + 1];
        at += 2;
        if (count != 0)
            continue; // a run of one value
        if (code == 0) { // end of row
            if (++rows >= height)
                return true;
        } else if (code == 1) { // end of picture
            return true;
        } else if (code == 2) { // move right and down
            if (at + 2 > n)
                return false;
            rows += d[at + 1];
            at += 2;
            if (rows >= height)
                return true;
        } else { // literal values, padded to an even count of bytes
            const std::size_t bytes = fourBits ? (code + 1) / 2 : code;
            at += bytes + (bytes & 1);
        }
    }
    return false;
}

// ---- GIF -------------------------------------------------------------------------------------

enum class Walk { Complete, Truncated, Corrupt };

bool skipSubBlocks(const unsigned char *d, std::size_t n, std::size_t &at)
{
    for (;;) {
        if (at >= n)
            return false;
        const std::size_t size = d[at++];
        if (size == 0)
            return true;
        at += size;
    }
}

/// Walks the blocks of a GIF up to the end of its first picture's data, the part Duovue shows,
/// and gives the size of the canvas that picture is drawn on.
Walk walkGif(const unsigned char *d, std::size_t n, qint64 &width, qint64 &height)
{
    if (n < 13)
        return Walk::Truncated;
    const qint64 screenWidth = le16(d + 6);
    const qint64 screenHeight = le16(d + 8);
    std::size_t at = 13;
    if (d[10] & 0x80)
        at += std::size_t(3) << ((d[10] & 7) + 1);
    for (;;) {
        if (at >= n)
            return Walk::Truncated;
        const unsigned char block = d[at++];
        if (block == 0x21) { // extension: a label, then data blocks
            ++at;
            if (!skipSubBlocks(d, n, at))
                return Walk::Truncated;
        } else if (block == 0x2C) { // a picture
            if (at + 9 > n)
                return Walk::Truncated;
            const qint64 right = qint64(le16(d + at)) + le16(d + at + 4);
            const qint64 bottom = qint64(le16(d + at + 2)) + le16(d + at + 6);
            const unsigned char flags = d[at + 8];
            at += 9;
            if (flags & 0x80)
                at += std::size_t(3) << ((flags & 7) + 1);
            ++at; // the LZW code size
            if (!skipSubBlocks(d, n, at))
                return Walk::Truncated;
            // Qt's reader draws on the logical screen, or on the picture's own extent when the
            // screen is missing; the larger of the two bounds what it allocates.
            width = std::max(screenWidth, right);
            height = std::max(screenHeight, bottom);
            return Walk::Complete;
        } else { // the trailer, or anything else, before any picture
            return Walk::Corrupt;
        }
    }
}

// ---- Formats read whole through Qt -------------------------------------------------------------

/// Hands the data to Qt's reader in pieces and reports the end of the data once the decode is
/// cancelled, so that even a long GIF decode stops soon.
class CancellableBuffer final : public QBuffer
{
public:
    CancellableBuffer(const QByteArray &data, const std::atomic<bool> *cancel)
        : m_cancel(cancel)
    {
        setData(data);
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_cancel && m_cancel->load(std::memory_order_relaxed))
            return -1;
        return QBuffer::readData(data, maxSize);
    }

private:
    const std::atomic<bool> *m_cancel;
};

/// Checks that the data holds a whole picture and gives the size Qt's reader will allocate.
bool wholeLayout(Job &job, const unsigned char *d, std::size_t n, qint64 &width, qint64 &height)
{
    if (job.result.format == Format::Gif) {
        switch (walkGif(d, n, width, height)) {
        case Walk::Complete:
            return true;
        case Walk::Truncated:
            return job.fail(Status::Truncated, QStringLiteral("the GIF data ends early"));
        case Walk::Corrupt:
            break;
        }
        return job.fail(Status::Corrupt, QStringLiteral("the GIF holds no picture"));
    }
    BmpLayout b;
    if (!readBmpLayout(d, n, b))
        return job.fail(Status::Truncated, QStringLiteral("the BMP header is cut short"));
    width = b.width;
    height = b.height;
    if (width < 1 || height < 1 || width > MaxSide || height > MaxSide || b.bits == 0 || b.bits > 32)
        return true; // refused by the size check or by Qt's reader
    if (b.compression == BmpRle8 || b.compression == BmpRle4) {
        if (!bmpRunsComplete(d, n, b.dataOffset, height, b.compression == BmpRle4))
            return job.fail(Status::Truncated, QStringLiteral("the BMP data ends early"));
    } else if (b.compression == BmpRgb || b.compression == BmpBitFields || b.compression == BmpAlphaBitFields) {
        if (qint64(b.dataOffset) + bmpStride(b) * height > qint64(n))
            return job.fail(Status::Truncated, QStringLiteral("the BMP file ends before its last row"));
    }
    return true;
}

} // namespace

void decodeWhole(Job &job)
{
    Source &source = job.source;
    const qint64 size = source.size();
    if (size > job.options.limits.maxFileBytes) {
        job.fail(Status::TooLarge, QStringLiteral("the file is too large"));
        return;
    }
    QByteArray bytes;
    if (source.isMemory()) {
        bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(source.pos()), qsizetype(source.available()));
    } else {
        if (!job.reserve(size))
            return;
        bytes = QByteArray(qsizetype(size), Qt::Uninitialized);
        for (qint64 at = 0; at < size; at += WholeReadChunk) {
            if (job.cancelled()) {
                job.failCancelled();
                return;
            }
            const qint64 part = std::min(WholeReadChunk, size - at);
            if (!source.read(reinterpret_cast<unsigned char *>(bytes.data() + at), std::size_t(part))) {
                if (source.failed())
                    job.fail(Status::ReadFailed, QStringLiteral("the file could not be read"));
                else
                    job.fail(Status::Truncated, QStringLiteral("the file shrank while it was read"));
                return;
            }
        }
    }

    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    qint64 width = 0;
    qint64 height = 0;
    if (!wholeLayout(job, data, std::size_t(bytes.size()), width, height))
        return;
    // Qt's reader holds its own picture, and converting it to the panes' format may take another.
    const qint64 need = bytes.size() + 2 * width * height * 4;
    if (!job.allowed(width, height, need) || !job.reserve(need))
        return;

    CancellableBuffer device(bytes, job.options.cancel);
    device.open(QIODevice::ReadOnly);
    QImageReader reader(
        &device, job.result.format == Format::Gif ? QByteArrayLiteral("gif") : QByteArrayLiteral("bmp"));
    reader.setAllocationLimit(static_cast<int>(job.options.limits.maxPictureBytes >> 20));
    QImage picture;
    const bool read = reader.read(&picture);
    if (job.cancelled()) {
        job.failCancelled();
        return;
    }
    if (!read || picture.isNull()) {
        job.fail(Status::Corrupt, reader.errorString());
        return;
    }
    // Transparent pixels are drawn onto black.
    if (picture.hasAlphaChannel())
        picture.convertTo(QImage::Format_ARGB32_Premultiplied);
    picture.convertTo(QImage::Format_RGB32);
    if (picture.isNull()) {
        job.fail(Status::TooLarge, QStringLiteral("out of memory"));
        return;
    }
    job.result.width = picture.width();
    job.result.height = picture.height();
    if (!job.sink.adopt(picture)) {
        if (!job.begin(picture.width(), picture.height()))
            return;
        for (int y = 0; y < picture.height(); ++y) {
            if (y % RowsBetweenCancelChecks == 0 && job.cancelled()) {
                job.failCancelled();
                return;
            }
            job.sink.addRow(y, picture.constScanLine(y), PictureSink::PixelFormat::Bgrx32);
        }
    }
    job.result.status = Status::Ok;
}

void decodeBmp(Job &job)
{
    BmpLayout layout;
    if (!readBmpLayout(job.source.pos(), job.source.available(), layout)) {
        job.fail(Status::Truncated, QStringLiteral("the BMP header is cut short"));
        return;
    }
    if (bmpStreams(layout))
        decodeBmpRows(job, layout);
    else
        decodeWhole(job);
}

} // namespace Duovue::Decoding
