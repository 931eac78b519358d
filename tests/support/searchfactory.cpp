#include "support/searchfactory.h"

#include <algorithm>
#include <array>
#include <cmath>
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

namespace
{

struct Blob {
    double x, y, rx, ry;
    QRgb color;
};

double noiseAt(std::mt19937 &rng)
{
    // A sum of uniforms: close enough to Gaussian sensor noise, the same on every platform.
    double sum = 0;
    for (int i = 0; i < 4; ++i)
        sum += double(rng() % 1000) / 1000.0;
    return (sum - 2.0) * 1.7;
}

int clampByte(double v)
{
    return std::clamp(static_cast<int>(std::lround(v)), 0, 255);
}

} // namespace

QImage scene(int width, int height, int seed, const Shot &shot)
{
    std::mt19937 rng(static_cast<unsigned>(seed));
    auto unit = [&rng] {
        return double(rng() % 10000) / 10000.0;
    };
    const QRgb sky = qRgb(60 + int(rng() % 160), 60 + int(rng() % 160), 100 + int(rng() % 150));
    const QRgb ground = qRgb(int(rng() % 200), int(rng() % 200), int(rng() % 120));
    std::vector<Blob> blobs;
    for (int i = 0; i < 60; ++i) {
        const double size = i < 15 ? 0.05 + 0.15 * unit() : 0.01 + 0.04 * unit();
        blobs.push_back({unit(),
            unit(),
            size * (0.5 + unit()),
            size * (0.5 + unit()),
            qRgb(int(rng() % 256), int(rng() % 256), int(rng() % 256))});
    }
    const Blob subject{0.5 + shot.subjectX, 0.55, 0.12, 0.18, qRgb(230, 200, 60)};
    std::mt19937 grain(shot.noise);
    QImage image(width, height, QImage::Format_RGB32);
    for (int py = 0; py < height; ++py) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(py));
        const double y = 0.5 + shot.shiftY + ((py + 0.5) / height - 0.5) * 0.8 / shot.zoom;
        for (int px = 0; px < width; ++px) {
            const double x = 0.5 + shot.shiftX + ((px + 0.5) / width - 0.5) * 0.8 / shot.zoom;
            const double t = std::clamp(y * 1.6 - 0.3, 0.0, 1.0);
            double c[3] = {qRed(sky) * (1 - t) + qRed(ground) * t,
                qGreen(sky) * (1 - t) + qGreen(ground) * t,
                qBlue(sky) * (1 - t) + qBlue(ground) * t};
            auto paint = [&](const Blob &b, bool striped) {
                const double d = std::hypot((x - b.x) / b.rx, (y - b.y) / b.ry);
                const double alpha = std::clamp((1 - d) * 20, 0.0, 1.0);
                if (alpha <= 0)
                    return;
                const double stripe = striped ? 0.75 + 0.25 * std::sin(x * 180) : 1.0;
                c[0] += (qRed(b.color) * stripe - c[0]) * alpha;
                c[1] += (qGreen(b.color) * stripe - c[1]) * alpha;
                c[2] += (qBlue(b.color) * stripe - c[2]) * alpha;
            };
            for (const Blob &b : blobs)
                paint(b, false);
            paint(subject, true);
            line[px] = qRgb(clampByte(c[0] * shot.exposure + noiseAt(grain)),
                clampByte(c[1] * shot.exposure + noiseAt(grain)),
                clampByte(c[2] * shot.exposure + noiseAt(grain)));
        }
    }
    return image;
}

QImage gradient(int width, int height, QColor from, QColor to, double degrees)
{
    const double angle = degrees * 3.14159265358979323846 / 180;
    std::mt19937 grain(7);
    QImage image(width, height, QImage::Format_RGB32);
    for (int py = 0; py < height; ++py) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(py));
        for (int px = 0; px < width; ++px) {
            const double t = std::clamp(
                0.5 + ((px + 0.5) / width - 0.5) * std::cos(angle) + ((py + 0.5) / height - 0.5) * std::sin(angle),
                0.0,
                1.0);
            line[px] = qRgb(clampByte(from.red() + (to.red() - from.red()) * t + noiseAt(grain) / 2),
                clampByte(from.green() + (to.green() - from.green()) * t + noiseAt(grain) / 2),
                clampByte(from.blue() + (to.blue() - from.blue()) * t + noiseAt(grain) / 2));
        }
    }
    return image;
}

QImage flat(int width, int height, QColor color, unsigned noise)
{
    std::mt19937 grain(noise);
    QImage image(width, height, QImage::Format_RGB32);
    for (int py = 0; py < height; ++py) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(py));
        for (int px = 0; px < width; ++px)
            line[px] = qRgb(clampByte(color.red() + noiseAt(grain)),
                clampByte(color.green() + noiseAt(grain)),
                clampByte(color.blue() + noiseAt(grain)));
    }
    return image;
}

QImage indexed(const QImage &image, bool dither)
{
    // The 256 most frequent colours at 5 bits a channel, each the mean of the pixels it stands for.
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    std::vector<std::array<double, 4>> bins(32768, {0, 0, 0, 0});
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            auto &b = bins[std::size_t((qRed(line[x]) >> 3) << 10 | (qGreen(line[x]) >> 3) << 5 | qBlue(line[x]) >> 3)];
            b[0] += qRed(line[x]);
            b[1] += qGreen(line[x]);
            b[2] += qBlue(line[x]);
            b[3] += 1;
        }
    }
    std::vector<std::size_t> order(bins.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return bins[a][3] > bins[b][3];
    });
    QList<QRgb> palette;
    for (std::size_t i = 0; i < 256 && bins[order[i]][3] > 0; ++i) {
        const auto &b = bins[order[i]];
        palette << qRgb(clampByte(b[0] / b[3]), clampByte(b[1] / b[3]), clampByte(b[2] / b[3]));
    }
    QImage out(rgb.size(), QImage::Format_Indexed8);
    out.setColorTable(palette);
    std::vector<std::array<double, 3>> error(std::size_t(rgb.width() + 2), {0, 0, 0});
    std::vector<std::array<double, 3>> next(error.size(), {0, 0, 0});
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        uchar *target = out.scanLine(y);
        std::fill(next.begin(), next.end(), std::array<double, 3>{0, 0, 0});
        for (int x = 0; x < rgb.width(); ++x) {
            const auto &e = error[std::size_t(x + 1)];
            const double want[3] = {qRed(line[x]) + e[0], qGreen(line[x]) + e[1], qBlue(line[x]) + e[2]};
            int best = 0;
            double bestDistance = 1e18;
            for (int i = 0; i < palette.size(); ++i) {
                const double dr = want[0] - qRed(palette[i]);
                const double dg = want[1] - qGreen(palette[i]);
                const double db = want[2] - qBlue(palette[i]);
                const double distance = dr * dr + dg * dg + db * db;
                if (distance < bestDistance) {
                    bestDistance = distance;
                    best = i;
                }
            }
            target[x] = static_cast<uchar>(best);
            if (!dither)
                continue;
            // Floyd and Steinberg's weights.
            const double left[3] = {
                want[0] - qRed(palette[best]), want[1] - qGreen(palette[best]), want[2] - qBlue(palette[best])};
            for (int c = 0; c < 3; ++c) {
                error[std::size_t(x + 2)][std::size_t(c)] += left[c] * 7 / 16;
                next[std::size_t(x)][std::size_t(c)] += left[c] * 3 / 16;
                next[std::size_t(x + 1)][std::size_t(c)] += left[c] * 5 / 16;
                next[std::size_t(x + 2)][std::size_t(c)] += left[c] / 16;
            }
        }
        std::swap(error, next);
    }
    return out;
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

QStringList rowsOf(const std::vector<FileList::Entry> &rows)
{
    QStringList out;
    for (const FileList::Entry &e : rows)
        out << e.primary + QLatin1Char(':') + e.columns[0];
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
