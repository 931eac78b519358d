#include "compose/compositefile.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/atomicfile.h"

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

namespace Duovue
{

namespace
{

// The error manager that returns control: libjpeg's own ends the process on the first error,
// which would take the user's unsaved session with it.
struct ReturningErrorManager {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void returnOnError(j_common_ptr cinfo)
{
    auto *err = reinterpret_cast<ReturningErrorManager *>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void ignoreMessage(j_common_ptr, int) { }

// A destination that grows a malloc'd buffer: plain C memory, since a longjmp may leave it at any
// point and C++ objects would not be destroyed.
struct MemoryDestination {
    jpeg_destination_mgr mgr;
    unsigned char *buffer;
    std::size_t capacity;
};

void initDestination(j_compress_ptr) { }

boolean growDestination(j_compress_ptr cinfo)
{
    auto *dest = reinterpret_cast<MemoryDestination *>(cinfo->dest);
    const std::size_t used = dest->capacity;
    const std::size_t capacity = used * 2;
    auto *grown = static_cast<unsigned char *>(std::realloc(dest->buffer, capacity));
    if (!grown) {
        cinfo->err->msg_code = JERR_OUT_OF_MEMORY;
        (*cinfo->err->error_exit)(reinterpret_cast<j_common_ptr>(cinfo));
    }
    dest->buffer = grown;
    dest->capacity = capacity;
    dest->mgr.next_output_byte = grown + used;
    dest->mgr.free_in_buffer = capacity - used;
    return TRUE;
}

void termDestination(j_compress_ptr) { }

// No object with a destructor lives in this frame, so the longjmp from returnOnError skips nothing.
// Returns false with err->message set on an encoder error.
bool encodeRows(const QImage *image,
    int quality,
    unsigned char *row,
    MemoryDestination *dest,
    ReturningErrorManager *err,
    std::size_t *size)
{
    jpeg_compress_struct cinfo;
    cinfo.err = jpeg_std_error(&err->mgr);
    err->mgr.error_exit = returnOnError;
    err->mgr.emit_message = ignoreMessage;
    if (setjmp(err->jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    dest->mgr.init_destination = initDestination;
    dest->mgr.empty_output_buffer = growDestination;
    dest->mgr.term_destination = termDestination;
    dest->mgr.next_output_byte = dest->buffer;
    dest->mgr.free_in_buffer = dest->capacity;
    cinfo.dest = &dest->mgr;

    const int width = image->width();
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(image->height());
#if defined(JCS_EXTENSIONS) && Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    // RGB32 rows are blue, green, red, unused in memory. libjpeg-turbo converts such rows to YCbCr
    // with the same arithmetic as RGB rows (the file is byte for byte the same) and saves copying
    // each row into RGB order: a tenth of the time of a 12-megapixel save.
    const bool bgrxRows = true;
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_EXT_BGRX;
#else
    const bool bgrxRows = false;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
#endif
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    JSAMPROW rows[1] = {row};
    while (cinfo.next_scanline < cinfo.image_height) {
        const uchar *line = image->constScanLine(int(cinfo.next_scanline));
        if (bgrxRows) {
            JSAMPROW pixelRow[1] = {const_cast<JSAMPROW>(line)};
            jpeg_write_scanlines(&cinfo, pixelRow, 1);
            continue;
        }
        const auto *pixels = reinterpret_cast<const QRgb *>(line);
        unsigned char *out = row;
        for (int x = 0; x < width; ++x) {
            const QRgb p = pixels[x];
            out[0] = static_cast<unsigned char>(qRed(p));
            out[1] = static_cast<unsigned char>(qGreen(p));
            out[2] = static_cast<unsigned char>(qBlue(p));
            out += 3;
        }
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    *size = dest->capacity - dest->mgr.free_in_buffer;
    jpeg_destroy_compress(&cinfo);
    return true;
}

QImage asRgb32(const QImage &image)
{
    return image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
}

void putLe16(char *p, quint32 v)
{
    p[0] = char(v & 0xff);
    p[1] = char((v >> 8) & 0xff);
}

void putLe32(char *p, quint32 v)
{
    putLe16(p, v & 0xffff);
    putLe16(p + 2, v >> 16);
}

} // namespace

CompositeFileType CompositeFileTypeFor(const QString &path)
{
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0)
        return CompositeFileType::Jpeg;
    const QStringView extension = QStringView(name).mid(dot + 1);
    if (extension.compare(QLatin1String("bmp"), Qt::CaseInsensitive) == 0)
        return CompositeFileType::Bmp;
    if (extension.compare(QLatin1String("jpg"), Qt::CaseInsensitive) == 0
        || extension.compare(QLatin1String("jpeg"), Qt::CaseInsensitive) == 0)
        return CompositeFileType::Jpeg;
    return CompositeFileType::Unsupported;
}

QByteArray CompositeJpegHeader(CompositeMethod method)
{
    // SOI; APP0 of length 16: "JFIF\0", version 1.01, dots per inch, 96 x 96, no thumbnail; APP12 of
    // length 14, whose contents follow.
    QByteArray header = QByteArray::fromHex("FFD8 FFE0 0010 4A46494600 0101 01 0060 0060 0000 FFEC 000E");
    header += "Duovue120";
    header += char(0);
    header += char(int(method));
    header += char(0);
    Q_ASSERT(header.size() == CompositeJpegHeaderSize);
    return header;
}

Result<QByteArray> EncodeCompositeJpeg(const QImage &composite, int quality)
{
    if (composite.isNull())
        return Error{Error::Code::InvalidArgument, QStringLiteral("No composite to encode")};
    const QImage image = asRgb32(composite);
    std::vector<unsigned char> row(std::size_t(image.width()) * 3);
    ReturningErrorManager err{};
    // About one byte per pixel holds most photographs at high quality; the buffer doubles when not.
    MemoryDestination dest{};
    dest.capacity = std::max<std::size_t>(64 * 1024, std::size_t(image.width()) * std::size_t(image.height()));
    dest.buffer = static_cast<unsigned char *>(std::malloc(dest.capacity));
    if (!dest.buffer)
        return Error{Error::Code::Other, QStringLiteral("Not enough memory to encode the composite")};
    std::size_t size = 0;
    const bool ok = encodeRows(&image, quality, row.data(), &dest, &err, &size);
    QByteArray encoded;
    if (ok)
        encoded = QByteArray(reinterpret_cast<const char *>(dest.buffer), qsizetype(size));
    std::free(dest.buffer);
    if (!ok)
        return Error{Error::Code::Other, QStringLiteral("JPEG encoder: %1").arg(QString::fromLocal8Bit(err.message))};
    return encoded;
}

Result<void> HeaderFixup(QByteArray &jpeg, CompositeMethod method)
{
    // SOI, then APP0 of length 16 holding "JFIF\0": what jpeg_set_defaults makes the encoder write.
    static const QByteArray jfifStart = QByteArray::fromHex("FFD8 FFE0 0010 4A46494600");
    if (jpeg.size() < EncoderJfifHeaderSize || !jpeg.startsWith(jfifStart))
        return Error{
            Error::Code::InvalidData, QStringLiteral("The encoder's output does not start with a JFIF header")};
    jpeg.replace(0, EncoderJfifHeaderSize, CompositeJpegHeader(method));
    return {};
}

Result<QByteArray> EncodeCompositeBmp(const QImage &composite)
{
    if (composite.isNull())
        return Error{Error::Code::InvalidArgument, QStringLiteral("No composite to encode")};
    const QImage image = asRgb32(composite);
    const qint64 width = image.width();
    const qint64 height = image.height();
    const qint64 stride = (width * 3 + 3) / 4 * 4;
    const qint64 fileSize = 54 + stride * height;
    if (fileSize > qint64(0xFFFFFFFF))
        return Error{Error::Code::Unsupported, QStringLiteral("The composite is too large for a BMP file")};

    QByteArray bytes(fileSize, '\0');
    char *h = bytes.data();
    h[0] = 'B';
    h[1] = 'M';
    putLe32(h + 2, quint32(fileSize));
    putLe32(h + 10, 54);
    putLe32(h + 14, 40);
    putLe32(h + 18, quint32(width));
    putLe32(h + 22, quint32(height)); // positive: rows stored bottom-up
    putLe16(h + 26, 1);
    putLe16(h + 28, 24);
    putLe32(h + 38, 3780);
    putLe32(h + 42, 3780);
    for (qint64 y = 0; y < height; ++y) {
        const auto *pixels = reinterpret_cast<const QRgb *>(image.constScanLine(int(y)));
        auto *out = reinterpret_cast<unsigned char *>(h + 54 + (height - 1 - y) * stride);
        for (qint64 x = 0; x < width; ++x) {
            const QRgb p = pixels[x];
            out[0] = static_cast<unsigned char>(qBlue(p));
            out[1] = static_cast<unsigned char>(qGreen(p));
            out[2] = static_cast<unsigned char>(qRed(p));
            out += 3;
        }
    }
    return bytes;
}

Result<void> SaveComposite(const QImage &composite, const QString &path, CompositeMethod method, int quality)
{
    QByteArray bytes;
    const CompositeFileType type = CompositeFileTypeFor(path);
    if (type == CompositeFileType::Unsupported)
        return Error{Error::Code::InvalidArgument,
            QStringLiteral("a composite is saved only as JPEG (.jpg, .jpeg) or BMP (.bmp)")};
    if (type == CompositeFileType::Bmp) {
        Result<QByteArray> bmp = EncodeCompositeBmp(composite);
        if (!bmp)
            return bmp.error();
        bytes = std::move(bmp).value();
    } else {
        Result<QByteArray> jpeg = EncodeCompositeJpeg(composite, quality);
        if (!jpeg)
            return jpeg.error();
        bytes = std::move(jpeg).value();
        if (Result<void> fixed = HeaderFixup(bytes, method); !fixed)
            return fixed;
    }
    return writeFileAtomically(path, bytes);
}

} // namespace Duovue
