// Times the viewer's picture transforms against their yardsticks, alternating the two in one
// process so that drift of the machine's speed hits both alike:
//   - a 90° rotation of a 24-megapixel picture against a plain copy of its buffer (QImage::copy:
//     one allocation and one memcpy, as the rotation makes one new buffer); goal <= 3 times;
//   - one brightness preview update of a 2-megapixel picture; goal under one frame (16 ms).
// Prints medians and ratios; exits 1 when a goal is missed.
//
//   duovue-bench-pixelops [--rounds N]

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>

#include "imaging/pixelops.h"

using namespace Duovue;

namespace
{

QImage photoLike(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    std::mt19937 random(42);
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = qRgb((x * 255) / w, (y * 255) / h, int(random() & 0xff));
    }
    return image;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

template <typename F> double timeMs(F &&f)
{
    QElapsedTimer timer;
    timer.start();
    f();
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption(
        {QStringLiteral("rounds"), QStringLiteral("Pairs of measurements."), QStringLiteral("N"), QStringLiteral("9")});
    parser.process(app);
    const int rounds = std::max(1, parser.value(QStringLiteral("rounds")).toInt());

    const QImage big = photoLike(6000, 4000);
    std::vector<double> rotate, copy, ratios;
    for (int i = 0; i < rounds; ++i) {
        QImage a, b;
        auto doRotate = [&] {
            a = PixelOps::transformed(big, PixelOps::Transform::RotateRight);
        };
        auto doCopy = [&] {
            b = big.copy();
        };
        double r, c;
        if (i % 2 == 0) {
            r = timeMs(doRotate);
            c = timeMs(doCopy);
        } else {
            c = timeMs(doCopy);
            r = timeMs(doRotate);
        }
        if (a.size() != QSize(4000, 6000) || b.size() != big.size())
            qFatal("unexpected sizes");
        rotate.push_back(r);
        copy.push_back(c);
        ratios.push_back(r / c);
    }
    const double rotateRatio = median(ratios);
    std::printf("24 MP rotation 90° median %7.1f ms (min %.1f)\n",
        median(rotate),
        *std::min_element(rotate.begin(), rotate.end()));
    std::printf(
        "24 MP buffer copy   median %7.1f ms (min %.1f)\n", median(copy), *std::min_element(copy.begin(), copy.end()));
    std::printf("ratio (median of pairs) %.2f, goal <= 3: %s\n", rotateRatio, rotateRatio <= 3 ? "met" : "MISSED");

    const QImage preview = photoLike(1920, 1080);
    QImage shown;
    std::vector<double> bright;
    for (int i = 0; i < rounds * 5; ++i) {
        // Each update moves one slider a step, as dragging it does.
        const int step = (i % 20) * 10 - 100;
        bright.push_back(timeMs([&] {
            PixelOps::applyBrightness(preview, {step, 0, 0}, shown);
        }));
    }
    const double brightMs = median(bright);
    std::printf("2 MP brightness update median %5.2f ms (max %.2f), goal < 16 ms: %s\n",
        brightMs,
        *std::max_element(bright.begin(), bright.end()),
        brightMs < 16 ? "met" : "MISSED");
    return rotateRatio <= 3 && brightMs < 16 ? 0 : 1;
}
