// Benchmarks of the compositing window's work, each beside its yardstick in one run:
//   compose  the compose step alone on a slide step and on a resize step of a 4000 x 3000 pair,
//            at the default composite limit (800 x 600) and with no limit (4000 x 3000), against
//            the 16 ms of one frame; the rescale of a resize step is reported on its own line;
//   save     saving a 12-megapixel composite as JPEG against `cjpeg -quality Q -baseline` on the
//            same pixels (a PPM file), rounds in turn; also checks that both encodings agree;
//   photos   writes the photograph-like pair (left.jpg, right.jpg retouched) used for pictures.
#include <algorithm>
#include <cstdio>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QProcess>

#include "compose/compositefile.h"
#include "compose/compositestate.h"
#include "compose/compositor.h"
#include "photopair.h"

using namespace Duovue;

namespace
{

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

struct Pair {
    QImage left;
    QImage right;
};

Pair makePair()
{
    return {Bench::makePhoto(QSize(4000, 3000), 7, false), Bench::makePhoto(QSize(4000, 3000), 7, true)};
}

void benchCompose(const Pair &pair, QSize maximum, int rounds)
{
    CompositeOptions options;
    options.maximum = maximum;
    CompositeState state(pair.left.size(), pair.right.size(), options);
    Compositor compositor(pair.left, pair.right, state.compositeSize());
    compositor.compose(state);
    const QSize c = state.compositeSize();

    std::vector<double> slide;
    for (int i = 0; i < rounds; ++i) {
        state.slideBy(QPoint(i % 2 ? -1 : 1, 1));
        QElapsedTimer t;
        t.start();
        compositor.compose(state);
        slide.push_back(msSince(t));
    }
    std::vector<double> rescale;
    std::vector<double> resized;
    for (int i = 0; i < std::max(3, rounds / 10); ++i) {
        state.resizeByKey(i % 2 ? Arrow::Left : Arrow::Down);
        QElapsedTimer t;
        t.start();
        compositor.rightLayer(state.rightSize());
        rescale.push_back(msSince(t));
        t.restart();
        compositor.compose(state);
        resized.push_back(msSince(t));
    }
    std::printf("composite %4d x %4d: compose on a slide step %7.3f ms, on a resize step %7.3f ms "
                "(medians; goal < 16 ms); the resize step's rescale %7.2f ms\n",
        c.width(),
        c.height(),
        median(slide),
        median(resized),
        median(rescale));
}

bool writePpm(const QImage &image, const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(QStringLiteral("P6\n%1 %2\n255\n").arg(image.width()).arg(image.height()).toLatin1());
    QByteArray row(image.width() * 3, '\0');
    for (int y = 0; y < image.height(); ++y) {
        const auto *p = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            row[3 * x] = char(qRed(p[x]));
            row[3 * x + 1] = char(qGreen(p[x]));
            row[3 * x + 2] = char(qBlue(p[x]));
        }
        f.write(row);
    }
    return f.flush();
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int benchSave(const Pair &pair, const QString &dir, int rounds, int quality)
{
    CompositeOptions options;
    options.maximum = pair.left.size();
    options.method = CompositeMethod::Dots;
    CompositeState state(pair.left.size(), pair.right.size(), options);
    Compositor compositor(pair.left, pair.right, state.compositeSize());
    const QImage composite = compositor.compose(state);
    QDir().mkpath(dir);
    const QString ppm = dir + QStringLiteral("/composite.ppm");
    const QString ours = dir + QStringLiteral("/ours.jpg");
    const QString theirs = dir + QStringLiteral("/cjpeg.jpg");
    if (!writePpm(composite, ppm)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(ppm));
        return 1;
    }
    readAll(ppm); // into the page cache, as the composite is in memory for us
    const QStringList cjpegArgs{QStringLiteral("-quality"),
        QString::number(quality),
        QStringLiteral("-baseline"),
        QStringLiteral("-outfile"),
        theirs,
        ppm};
    std::vector<double> ourTimes;
    std::vector<double> encodeTimes;
    std::vector<double> cjpegTimes;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        const Result<QByteArray> encoded = EncodeCompositeJpeg(composite, quality);
        encodeTimes.push_back(msSince(t));
        t.restart();
        const Result<void> saved = SaveComposite(composite, ours, state.method(), quality);
        ourTimes.push_back(msSince(t));
        if (!saved) {
            std::fprintf(stderr, "save failed: %s\n", qPrintable(saved.error().message));
            return 1;
        }
        QProcess cjpeg;
        t.restart();
        cjpeg.start(QStringLiteral("cjpeg"), cjpegArgs);
        if (!cjpeg.waitForFinished(120000) || cjpeg.exitCode() != 0) {
            std::fprintf(stderr, "cjpeg failed (is libjpeg-turbo-progs installed?)\n");
            return 1;
        }
        cjpegTimes.push_back(msSince(t));
    }
    const QByteArray a = readAll(ours);
    const QByteArray b = readAll(theirs);
    const bool same = a.mid(CompositeJpegHeaderSize) == b.mid(EncoderJfifHeaderSize);
    std::printf("JPEG encoding alone (in memory): %.1f ms\n", median(encodeTimes));
    std::printf("JPEG save of a %d x %d composite at quality %d: ours %.1f ms, cjpeg %.1f ms (medians of %d), "
                "ratio %.2f (goal <= 1.2); encoded data identical to cjpeg's: %s\n",
        composite.width(),
        composite.height(),
        quality,
        median(ourTimes),
        median(cjpegTimes),
        rounds,
        median(ourTimes) / median(cjpegTimes),
        same ? "yes" : "NO");
    QFile::remove(ppm);
    QFile::remove(ours);
    QFile::remove(theirs);
    return same ? 0 : 1;
}

int writePhotos(const QString &dir, QSize size, quint32 seed)
{
    QDir().mkpath(dir);
    for (const bool retouched : {false, true}) {
        const QString path = dir + (retouched ? QStringLiteral("/right.jpg") : QStringLiteral("/left.jpg"));
        QImageWriter writer(path);
        writer.setQuality(92);
        if (!writer.write(Bench::makePhoto(size, seed, retouched))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv); // the photographs are painted with QPainter's text-free paths
    const QStringList args = QCoreApplication::arguments().mid(1);
    const QString mode = args.value(0);
    const int rounds = args.value(2, QStringLiteral("0")).toInt();
    if (mode == QLatin1String("compose")) {
        const Pair pair = makePair();
        const int n = std::max(rounds, 200);
        benchCompose(pair, QSize(800, 600), n);
        benchCompose(pair, QSize(4000, 3000), std::max(rounds, 40));
        return 0;
    }
    if (mode == QLatin1String("save") && args.size() >= 2)
        return benchSave(makePair(), args[1], std::max(rounds, 5), 95);
    if (mode == QLatin1String("photos") && args.size() >= 2) {
        const QSize size(args.value(2, QStringLiteral("1600")).toInt(), args.value(3, QStringLiteral("1200")).toInt());
        return writePhotos(args[1], size, args.value(4, QStringLiteral("7")).toUInt());
    }
    std::fprintf(stderr,
        "usage: composebench compose [- ROUNDS]\n"
        "       composebench save DIR [ROUNDS]\n"
        "       composebench photos DIR [WIDTH HEIGHT [SEED]]\n");
    return 2;
}
