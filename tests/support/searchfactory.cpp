#include "support/searchfactory.h"

#include <array>
#include <csetjmp>
#include <random>
#include <vector>

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>

#include "search/crc32.h"

extern "C" {
#include <jpeglib.h>
}

namespace Duovue::Test::SearchFactory
{

namespace
{

// Solves A x = b over GF(2) for 32 equations; columns are the effects of single bits. Returns the
// chosen column set, or an empty vector when there is no solution.
std::vector<int> solve(const std::vector<quint32> &columns, quint32 target)
{
    // Gaussian elimination keeping, for each pivot, which original columns it combines.
    struct Row {
        quint32 value;
        std::vector<bool> combo;
    };
    std::vector<Row> basis;
    const std::size_t n = columns.size();
    for (std::size_t c = 0; c < n; ++c) {
        Row r{columns[c], std::vector<bool>(n, false)};
        r.combo[c] = true;
        for (const Row &b : basis) {
            const quint32 top = b.value & (~b.value + 1); // lowest set bit of the pivot
            if (r.value & top) {
                r.value ^= b.value;
                for (std::size_t k = 0; k < n; ++k)
                    r.combo[k] = r.combo[k] != b.combo[k];
            }
        }
        if (r.value == 0) {
            if (target == 0) {
                std::vector<int> out;
                for (std::size_t k = 0; k < n; ++k) {
                    if (r.combo[k])
                        out.push_back(static_cast<int>(k));
                }
                return out; // a non-trivial combination with no effect
            }
            continue;
        }
        // Keep pivots reduced against each other by their lowest bit.
        const quint32 top = r.value & (~r.value + 1);
        for (Row &b : basis) {
            if (b.value & top) {
                b.value ^= r.value;
                for (std::size_t k = 0; k < n; ++k)
                    b.combo[k] = b.combo[k] != r.combo[k];
            }
        }
        basis.push_back(std::move(r));
    }
    if (target == 0)
        return {};
    quint32 t = target;
    std::vector<bool> combo(n, false);
    for (const Row &b : basis) {
        const quint32 top = b.value & (~b.value + 1);
        if (t & top) {
            t ^= b.value;
            for (std::size_t k = 0; k < n; ++k)
                combo[k] = combo[k] != b.combo[k];
        }
    }
    if (t != 0)
        return {};
    std::vector<int> out;
    for (std::size_t k = 0; k < n; ++k) {
        if (combo[k])
            out.push_back(static_cast<int>(k));
    }
    return out;
}

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

} // namespace

QImage solid(int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

QImage pattern(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    std::mt19937 rng(static_cast<unsigned>(seed));
    image.fill(QColor::fromHsv(static_cast<int>(rng() % 360), 200, 100 + static_cast<int>(rng() % 100)));
    QPainter p(&image);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 12; ++i) {
        p.setBrush(QColor::fromHsv(static_cast<int>(rng() % 360), 255, static_cast<int>(rng() % 256)));
        const int w = width / 4 + static_cast<int>(rng() % static_cast<unsigned>(width / 2 + 1));
        const int h = height / 4 + static_cast<int>(rng() % static_cast<unsigned>(height / 2 + 1));
        p.drawEllipse(static_cast<int>(rng() % static_cast<unsigned>(width)) - w / 2,
            static_cast<int>(rng() % static_cast<unsigned>(height)) - h / 2,
            w,
            h);
    }
    return image;
}

QImage fromThumbnail(const QByteArray &thumbnail, int n, int scale)
{
    QImage image(n * scale, n * scale, QImage::Format_RGB32);
    for (int y = 0; y < n * scale; ++y) {
        for (int x = 0; x < n * scale; ++x) {
            const bool bright = static_cast<unsigned char>(thumbnail[(y / scale) * n + x / scale]) == 0xC0;
            image.setPixel(x, y, bright ? qRgb(0xC0, 0xC0, 0xC0) : qRgb(0x40, 0x40, 0x40));
        }
    }
    return image;
}

QByteArray jpeg(const QImage &image, int quality, bool progressive)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return out;
}

QByteArray bmp(const QImage &image)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.convertToFormat(QImage::Format_RGB32).save(&buffer, "BMP");
    return out;
}

QByteArray bmpAsIs(const QImage &image)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return out;
}

QImage decodeJpeg(const QByteArray &data)
{
    jpeg_decompress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = [](j_common_ptr c) {
        std::longjmp(reinterpret_cast<JpegError *>(c->err)->jump, 1);
    };
    QImage *volatile result = new QImage;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        QImage none;
        delete result;
        return none;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(
        &cinfo, reinterpret_cast<const unsigned char *>(data.constData()), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    *result =
        QImage(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height), QImage::Format_RGB888);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = result->scanLine(static_cast<int>(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    QImage out = *result;
    delete result;
    return out;
}

QByteArray withCrc(const QByteArray &data, quint32 target)
{
    // The CRC of data followed by four bytes is an affine function of those 32 bits.
    QByteArray probe = data + QByteArray(4, '\0');
    const quint32 base = Crc32::of(probe);
    std::vector<quint32> columns;
    for (int bit = 0; bit < 32; ++bit) {
        QByteArray p = probe;
        p[data.size() + bit / 8] = static_cast<char>(1 << (bit % 8));
        columns.push_back(Crc32::of(p) ^ base);
    }
    for (int bit : solve(columns, target ^ base))
        probe[data.size() + bit / 8] = static_cast<char>(probe[data.size() + bit / 8] ^ (1 << (bit % 8)));
    return probe;
}

std::pair<QByteArray, QByteArray> collidingThumbnails(int n)
{
    // Each thumbnail byte is 0x40 or 0xC0, so each pixel flips one bit; with more pixels than CRC
    // bits some set of flips leaves the CRC unchanged.
    std::mt19937 rng(7);
    QByteArray a(n * n, '\0');
    for (char &c : a)
        c = static_cast<char>((rng() & 1) ? 0xC0 : 0x40);
    const quint32 base = Crc32::of(a);
    std::vector<quint32> columns;
    for (int i = 0; i < n * n; ++i) {
        QByteArray p = a;
        p[i] = static_cast<char>(p[i] ^ 0x80);
        columns.push_back(Crc32::of(p) ^ base);
    }
    QByteArray b = a;
    for (int i : solve(columns, 0))
        b[i] = static_cast<char>(b[i] ^ 0x80);
    return {a, b};
}

} // namespace Duovue::Test::SearchFactory
