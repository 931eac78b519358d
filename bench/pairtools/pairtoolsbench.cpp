// Speed of the marker scan, measured side by side with a bare memchr pass over the same bytes.
//
//   duovue-bench-pairtools markers FILE [--rounds N]
//   duovue-bench-pairtools makejpeg OUT WIDTH HEIGHT [QUALITY]
//
// "markers" reads FILE once into memory and times, round after round in turn:
//   - memchr: a pass that finds every 0xFF byte of the buffer with memchr and nothing else;
//   - scan:   the marker scanner fed the same buffer in 1 MiB pieces;
//   - file memchr / file scan: the same two, reading the file in 1 MiB blocks (warm cache);
// and prints the medians of the thread's CPU time with the ratios scan / memchr.
// "makejpeg" writes a large photo-like JPEG (noise over gradients) for the scan to read.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <jpeglib.h>
#include <memory>
#include <random>
#include <vector>

#include <QCoreApplication>
#include <QFile>

#include "core/blockreader.h"
#include "pairtools/jpegmarkers.h"
#include "pairtools/progresspump.h"

using namespace Duovue;

namespace
{

constexpr size_t Block = 1 << 20;

// CPU time of this thread: far less disturbed than the wall clock when other work shares the
// machine, and the scan never waits for anything but memory.
double cpuMs()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

size_t countFF(const unsigned char *p, size_t n)
{
    size_t count = 0;
    const unsigned char *end = p + n;
    while (p < end) {
        const auto *ff = static_cast<const unsigned char *>(std::memchr(p, 0xFF, size_t(end - p)));
        if (!ff)
            break;
        ++count;
        p = ff + 1;
    }
    return count;
}

int markers(const QString &path, int rounds)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return 1;
    }
    const QByteArray bytes = file.readAll();
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    const auto n = size_t(bytes.size());
    std::vector<double> tMemchr, tScan, tFileMemchr, tFileScan;
    size_t ffs = 0, rows = 0;
    const std::atomic<bool> never{false};
    ProgressPump noPump;
    for (int r = 0; r < rounds; ++r) {
        double t = cpuMs();
        ffs = countFF(data, n);
        tMemchr.push_back(cpuMs() - t);

        t = cpuMs();
        JpegMarkers::Scanner scanner;
        for (size_t at = 0; at < n; at += Block)
            scanner.feed(data + at, std::min(Block, n - at));
        rows = size_t(scanner.rows().size()) + size_t(scanner.omitted());
        tScan.push_back(cpuMs() - t);

        t = cpuMs();
        BlockReader reader;
        if (!reader.open(path))
            return 1;
        const auto buffer = std::make_unique_for_overwrite<unsigned char[]>(Block);
        size_t fileFFs = 0;
        for (;;) {
            const Result<size_t> got = reader.read(buffer.get(), Block);
            if (!got || got.value() == 0)
                break;
            fileFFs += countFF(buffer.get(), got.value());
        }
        tFileMemchr.push_back(cpuMs() - t);
        if (fileFFs != ffs)
            return 1;

        t = cpuMs();
        const Result<MarkerScanResult> scan = JpegMarkers::ScanFile(path, never, noPump);
        tFileScan.push_back(cpuMs() - t);
        if (!scan || size_t(scan.value().rows.size()) + size_t(scan.value().omitted) != rows)
            return 1;
    }
    std::printf("%s: %.1f MB, %zu bytes 0xFF, %zu marker rows, %d rounds\n",
        qPrintable(path),
        double(n) / 1e6,
        ffs,
        rows,
        rounds);
    std::printf("  memory: memchr %.2f ms, scan %.2f ms, ratio %.2f\n",
        median(tMemchr),
        median(tScan),
        median(tScan) / median(tMemchr));
    std::printf("  file:   memchr %.2f ms, scan %.2f ms, ratio %.2f\n",
        median(tFileMemchr),
        median(tFileScan),
        median(tFileScan) / median(tFileMemchr));
    return 0;
}

int makeJpeg(const QString &path, int width, int height, int quality)
{
    FILE *out = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!out)
        return 1;
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.restart_in_rows = 16; // restart markers, as cameras write them
    jpeg_start_compress(&cinfo, TRUE);
    std::mt19937 rng(42);
    std::vector<JSAMPLE> row(size_t(width) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const unsigned y = cinfo.next_scanline;
        for (int x = 0; x < width; ++x) {
            const unsigned noise = rng() & 63;
            row[size_t(x) * 3] = JSAMPLE((x * 255 / width + noise) & 255);
            row[size_t(x) * 3 + 1] = JSAMPLE((y * 255 / unsigned(height) + noise) & 255);
            row[size_t(x) * 3 + 2] = JSAMPLE(((x + int(y)) / 8 + int(noise)) & 255);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(out) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() >= 2 && args[0] == QLatin1String("markers")) {
        const qsizetype r = args.indexOf(QStringLiteral("--rounds"));
        return markers(args[1], r > 0 && r + 1 < args.size() ? args[r + 1].toInt() : 7);
    }
    if (args.size() >= 4 && args[0] == QLatin1String("makejpeg"))
        return makeJpeg(args[1], args[2].toInt(), args[3].toInt(), args.size() > 4 ? args[4].toInt() : 95);
    std::fprintf(stderr,
        "usage: duovue-bench-pairtools markers FILE [--rounds N]\n"
        "       duovue-bench-pairtools makejpeg OUT WIDTH HEIGHT [QUALITY]\n");
    return 2;
}
