#include "search/bitmapkey.h"

#include <array>
#include <cerrno>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>

#include "search/boxreducer.h"
#include "search/crc32.h"

extern "C" {
#include <jpeglib.h>
}

namespace Duovue
{

namespace
{

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void jpegErrorExit(j_common_ptr cinfo)
{
    auto *err = reinterpret_cast<JpegError *>(cinfo->err);
    std::longjmp(err->jump, 1);
}

void jpegSilence(j_common_ptr, int)
{
    // Corrupt-data warnings: the decoder goes on with what it can, as a picture viewer would.
}

enum class JpegStatus { Ok, Failed, Cancelled };

struct JpegOutput {
    int width = 0;
    int height = 0;
    bool progressive = false;
    QByteArray thumbnail;
};

// Kept free of C++ objects with destructors between setjmp and any longjmp: the reducer and the
// row buffer live in the caller and are only pointed to here.
JpegStatus decodeJpegScanlines(std::FILE *file,
    const unsigned char *data,
    std::size_t length,
    int n,
    const std::atomic<bool> *cancel,
    std::vector<unsigned char> *row,
    JpegOutput *out)
{
    jpeg_decompress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpegErrorExit;
    err.mgr.emit_message = jpegSilence;
    BoxReducer *reducer = nullptr;
    // volatile: read after a longjmp back into this frame.
    BoxReducer *volatile reducerToFree = nullptr;
    if (setjmp(err.jump)) {
        delete reducerToFree;
        jpeg_destroy_decompress(&cinfo);
        return JpegStatus::Failed;
    }
    jpeg_create_decompress(&cinfo);
    // From a file the data is streamed through libjpeg's small buffer: nothing of the size of the
    // file or of the picture is held, except the coefficients a progressive JPEG needs.
    if (file)
        jpeg_stdio_src(&cinfo, file);
    else
        jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(length));
    jpeg_read_header(&cinfo, TRUE);
    out->progressive = cinfo.progressive_mode;

    BoxReducer::PixelFormat format = BoxReducer::PixelFormat::Rgb24;
    bool cmyk = false;
    if (cinfo.jpeg_color_space == JCS_GRAYSCALE) {
        cinfo.out_color_space = JCS_GRAYSCALE;
        format = BoxReducer::PixelFormat::Gray8;
    } else if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK) {
        cinfo.out_color_space = JCS_CMYK;
        cmyk = true;
    } else {
        cinfo.out_color_space = JCS_RGB;
    }
    jpeg_start_decompress(&cinfo);
    const int width = static_cast<int>(cinfo.output_width);
    const int height = static_cast<int>(cinfo.output_height);
    const int components = cinfo.output_components;
    row->resize(std::size_t(width) * std::size_t(components) * 8);
    reducer = new BoxReducer(width, height, n);
    reducerToFree = reducer;

    // A few rows per call lets libjpeg hand over a whole iMCU row of upsampled output at once.
    JSAMPROW rows[8];
    const std::size_t stride = std::size_t(width) * std::size_t(components);
    for (int i = 0; i < 8; ++i)
        rows[i] = row->data() + stride * std::size_t(i);
    while (cinfo.output_scanline < cinfo.output_height) {
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            delete reducer;
            reducerToFree = nullptr;
            jpeg_destroy_decompress(&cinfo);
            return JpegStatus::Cancelled;
        }
        const int y0 = static_cast<int>(cinfo.output_scanline);
        const int got = static_cast<int>(jpeg_read_scanlines(&cinfo, rows, 8));
        for (int i = 0; i < got; ++i) {
            unsigned char *p = rows[i];
            if (cmyk) {
                // Adobe CMYK JPEGs store inverted inks; composite onto white per pixel, in place
                // into the first three bytes of each four.
                for (int x = 0; x < width; ++x) {
                    unsigned char *px = p + std::size_t(x) * 4;
                    const unsigned k = px[3];
                    const unsigned char r = static_cast<unsigned char>(px[0] * k / 255);
                    const unsigned char g = static_cast<unsigned char>(px[1] * k / 255);
                    const unsigned char b = static_cast<unsigned char>(px[2] * k / 255);
                    px[0] = b;
                    px[1] = g;
                    px[2] = r;
                }
                reducer->addRow(y0 + i, p, BoxReducer::PixelFormat::Bgrx32);
            } else {
                reducer->addRow(y0 + i, p, format);
            }
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    out->width = width;
    out->height = height;
    out->thumbnail = reducer->thumbnail();
    delete reducer;
    reducerToFree = nullptr;
    return JpegStatus::Ok;
}

enum class BmpStatus { Ok, Failed, Cancelled, NotHandled };

struct BmpOutput {
    int width = 0;
    int height = 0;
    QByteArray thumbnail;
};

std::uint32_t le32(const unsigned char *p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

// Uncompressed BMP (24 or 32 bits per pixel, or 1, 4 or 8 with a colour table) read one row at a
// time, so a large BMP needs no more memory than a small one. Layouts with bit fields, alpha
// masks, run-length coding or 16 bits are left to Qt's reader (NotHandled), as are headers this
// reader does not know.
BmpStatus decodeBmpRows(
    std::FILE *file, int n, const std::atomic<bool> *cancel, std::vector<unsigned char> *row, BmpOutput *out)
{
    unsigned char header[14 + 40];
    if (std::fread(header, 1, sizeof header, file) != sizeof header)
        return BmpStatus::NotHandled;
    const std::uint32_t dataOffset = le32(header + 10);
    const std::uint32_t infoSize = le32(header + 14);
    const std::int32_t width = static_cast<std::int32_t>(le32(header + 18));
    const std::int32_t rawHeight = static_cast<std::int32_t>(le32(header + 22));
    const unsigned planes = header[26] | unsigned(header[27]) << 8;
    const unsigned bits = header[28] | unsigned(header[29]) << 8;
    const std::uint32_t compression = le32(header + 30);
    std::uint32_t colours = le32(header + 46);
    if (infoSize != 40 || planes != 1 || compression != 0 || width <= 0 || rawHeight == 0
        || rawHeight == std::numeric_limits<std::int32_t>::min() || width > 65535 || std::abs(rawHeight) > 65535)
        return BmpStatus::NotHandled;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return BmpStatus::NotHandled;
    const bool topDown = rawHeight < 0;
    const int height = std::abs(rawHeight);

    std::array<unsigned char, 256 * 3> palette{}; // R, G, B per entry
    if (bits <= 8) {
        const std::uint32_t maximum = 1u << bits;
        if (colours == 0 || colours > maximum)
            colours = maximum;
        unsigned char table[256 * 4];
        if (std::fread(table, 4, colours, file) != colours)
            return BmpStatus::Failed;
        for (std::uint32_t i = 0; i < colours; ++i) {
            palette[i * 3] = table[i * 4 + 2];
            palette[i * 3 + 1] = table[i * 4 + 1];
            palette[i * 3 + 2] = table[i * 4];
        }
    }
    if (std::fseek(file, static_cast<long>(dataOffset), SEEK_SET) != 0)
        return BmpStatus::Failed;

    const std::size_t stride = ((std::size_t(width) * bits + 31) / 32) * 4;
    const std::size_t rgbBytes = std::size_t(width) * 3;
    row->resize(stride + rgbBytes);
    unsigned char *raw = row->data();
    unsigned char *rgb = row->data() + stride;
    BoxReducer reducer(width, height, n);
    for (int i = 0; i < height; ++i) {
        if ((i & 63) == 0 && cancel && cancel->load(std::memory_order_relaxed))
            return BmpStatus::Cancelled;
        // A short file keeps what it has; the missing rows count as black, as libjpeg leaves a
        // truncated JPEG's missing rows grey. Black adds nothing to the sums, so they need no work:
        // a tiny file claiming 65535 x 65535 pixels ends here at once.
        if (std::fread(raw, 1, stride, file) != stride)
            break;
        const int y = topDown ? i : height - 1 - i;
        if (bits == 24) {
            for (std::int32_t x = 0; x < width; ++x) {
                rgb[x * 3] = raw[x * 3 + 2];
                rgb[x * 3 + 1] = raw[x * 3 + 1];
                rgb[x * 3 + 2] = raw[x * 3];
            }
        } else if (bits == 32) {
            reducer.addRow(y, raw, BoxReducer::PixelFormat::Bgrx32);
            continue;
        } else {
            const unsigned mask = (1u << bits) - 1;
            for (std::int32_t x = 0; x < width; ++x) {
                const std::size_t bit = std::size_t(x) * bits;
                const unsigned index = (raw[bit / 8] >> (8 - bits - bit % 8)) & mask;
                std::memcpy(rgb + x * 3, palette.data() + index * 3, 3);
            }
        }
        reducer.addRow(y, rgb, BoxReducer::PixelFormat::Rgb24);
    }
    out->width = width;
    out->height = height;
    out->thumbnail = reducer.thumbnail();
    return BmpStatus::Ok;
}

bool readWholeFile(const QString &path, std::vector<unsigned char> *buffer, std::size_t *length)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    std::size_t size = static_cast<std::size_t>(st.st_size);
    if (buffer->size() < size + 1)
        buffer->resize(size + 1);
    std::size_t got = 0;
    // Read until end of file rather than trusting the size: the file may change meanwhile.
    for (;;) {
        if (got == buffer->size())
            buffer->resize(buffer->size() * 2);
        const ssize_t r = ::read(fd, buffer->data() + got, buffer->size() - got);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return false;
        }
        if (r == 0)
            break;
        got += static_cast<std::size_t>(r);
    }
    ::close(fd);
    *length = got;
    return true;
}

} // namespace

BitmapKeyMaker::BitmapKeyMaker(int n, const std::atomic<bool> *cancel)
    : m_n(n)
    , m_cancel(cancel)
{
}

BitmapKey BitmapKeyMaker::compute(const QString &path)
{
    BitmapKey key;
    if (cancelled()) {
        key.outcome = BitmapKey::Outcome::Cancelled;
        return key;
    }
    // JPEG data (known by its first bytes, whatever the name says) is decoded straight from the
    // file; other formats are read whole for Qt's readers.
    // Opened without blocking and checked before reading: a FIFO or device named like a picture
    // would otherwise stop the worker for good.
    std::FILE *file = nullptr;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {
    };
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)
        && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0)
        file = ::fdopen(fd, "rb");
    if (!file) {
        if (fd >= 0)
            ::close(fd);
        key.outcome = BitmapKey::Outcome::Unreadable;
        return key;
    }
    unsigned char head[3] = {0, 0, 0};
    const std::size_t got = std::fread(head, 1, 3, file);
    if (std::ferror(file)) {
        std::fclose(file);
        key.outcome = BitmapKey::Outcome::Unreadable;
        return key;
    }
    if (got == 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF && std::fseek(file, 0, SEEK_SET) == 0) {
        key = decodeJpeg(file, nullptr, 0);
        std::fclose(file);
        return key;
    }
    if (got >= 2 && head[0] == 'B' && head[1] == 'M' && std::fseek(file, 0, SEEK_SET) == 0) {
        // The common uncompressed layouts row by row; any other goes to Qt's reader below.
        BmpOutput out;
        const BmpStatus status = decodeBmpRows(file, m_n, m_cancel, &m_row, &out);
        if (status != BmpStatus::NotHandled) {
            std::fclose(file);
            if (status == BmpStatus::Ok) {
                key.outcome = BitmapKey::Outcome::Ok;
                key.width = out.width;
                key.height = out.height;
                key.thumbnail = out.thumbnail;
                key.key = Crc32::keyText(Crc32::of(key.thumbnail));
            } else {
                key.outcome =
                    status == BmpStatus::Cancelled ? BitmapKey::Outcome::Cancelled : BitmapKey::Outcome::Undecodable;
            }
            return key;
        }
    }
    std::fclose(file);

    std::size_t length = 0;
    if (!readWholeFile(path, &m_file, &length)) {
        key.outcome = BitmapKey::Outcome::Unreadable;
        return key;
    }
    key = decodeWithQt(m_file.data(), length);
    // The buffer is kept for the next file, but a huge one is not kept around for ever.
    if (m_file.capacity() > (64u << 20))
        std::vector<unsigned char>().swap(m_file);
    return key;
}

BitmapKey BitmapKeyMaker::computeFromData(const unsigned char *data, std::size_t length)
{
    if (cancelled()) {
        BitmapKey key;
        key.outcome = BitmapKey::Outcome::Cancelled;
        return key;
    }
    if (length >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return decodeJpeg(nullptr, data, length);
    return decodeWithQt(data, length);
}

BitmapKey BitmapKeyMaker::decodeJpeg(std::FILE *file, const unsigned char *data, std::size_t length)
{
    BitmapKey key;
    JpegOutput out;
    const JpegStatus status = decodeJpegScanlines(file, data, length, m_n, m_cancel, &m_row, &out);
    if (out.progressive) {
        // A progressive picture needed its whole coefficient buffer; give the freed memory back
        // rather than let each worker's heap keep the largest one it ever saw.
        ::malloc_trim(0);
    }
    switch (status) {
    case JpegStatus::Failed:
        key.outcome = BitmapKey::Outcome::Undecodable;
        return key;
    case JpegStatus::Cancelled:
        key.outcome = BitmapKey::Outcome::Cancelled;
        return key;
    case JpegStatus::Ok:
        break;
    }
    key.outcome = BitmapKey::Outcome::Ok;
    key.width = out.width;
    key.height = out.height;
    key.thumbnail = out.thumbnail;
    key.key = Crc32::keyText(Crc32::of(key.thumbnail));
    return key;
}

BitmapKey BitmapKeyMaker::decodeWithQt(const unsigned char *data, std::size_t length)
{
    BitmapKey key;
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(length));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(false);
    QImage image = reader.read();
    if (image.isNull() || image.width() < 1 || image.height() < 1) {
        key.outcome = BitmapKey::Outcome::Undecodable;
        return key;
    }
    // Transparent pixels are drawn onto black, as a freshly made bitmap would show them.
    if (image.hasAlphaChannel())
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    image = image.convertToFormat(QImage::Format_RGB32);
    BoxReducer reducer(image.width(), image.height(), m_n);
    for (int y = 0; y < image.height(); ++y) {
        if ((y & 63) == 0 && cancelled()) {
            key.outcome = BitmapKey::Outcome::Cancelled;
            return key;
        }
        reducer.addRow(y, image.constScanLine(y), BoxReducer::PixelFormat::Bgrx32);
    }
    key.outcome = BitmapKey::Outcome::Ok;
    key.width = image.width();
    key.height = image.height();
    key.thumbnail = reducer.thumbnail();
    key.key = Crc32::keyText(Crc32::of(key.thumbnail));
    return key;
}

} // namespace Duovue
