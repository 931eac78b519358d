// Times LoadPicture (read, probe, decode, apply to a pane) against a bare QImageReader decode of
// the same JPEG, alternating the two in one process so that drift of the machine's speed hits
// both alike. Prints the median of each and their ratio; exits 1 when the ratio exceeds the goal.
//
//   loadpicturebench [--rounds N] [--goal RATIO] [FILE]
//
// Without FILE a 6000 x 4000 (24-megapixel) JPEG is made in a temporary folder.

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

#include "document/cduovuedoc.h"
#include "imaging/pictureloader.h"

using namespace Duovue;

namespace
{

/// A photo-like picture: smooth gradients with fine noise, so that the JPEG has a realistic size.
QString makePicture(const QString &folder)
{
    const QString path = folder + QStringLiteral("/bench-24mp.jpg");
    QImage image(6000, 4000, QImage::Format_RGB32);
    std::mt19937 random(42);
    std::uniform_int_distribution<int> noise(-12, 12);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int r = (x * 255) / image.width() + noise(random);
            const int g = (y * 255) / image.height() + noise(random);
            const int b = ((x + y) / 23) % 256;
            line[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), b);
        }
    }
    image.save(path, "JPEG", 90);
    return path;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double timeLoadPicture(CDuovueDoc &document)
{
    QElapsedTimer timer;
    timer.start();
    const Result<LoadOutcome> outcome = document.loadPicture(0, 0);
    const double ms = timer.nsecsElapsed() / 1e6;
    if (!outcome.ok() || outcome.value() != LoadOutcome::Loaded)
        qFatal("LoadPicture failed");
    return ms;
}

double timeBareDecode(const QString &path)
{
    QElapsedTimer timer;
    timer.start();
    QImageReader reader(path);
    const QImage image = reader.read();
    const double ms = timer.nsecsElapsed() / 1e6;
    if (image.isNull())
        qFatal("QImageReader failed: %s", qPrintable(reader.errorString()));
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption(
        {QStringLiteral("rounds"), QStringLiteral("Pairs of measurements."), QStringLiteral("N"), QStringLiteral("9")});
    parser.addOption({QStringLiteral("goal"),
        QStringLiteral("Largest acceptable ratio."),
        QStringLiteral("RATIO"),
        QStringLiteral("1.15")});
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("JPEG to load (default: a generated one)."));
    parser.process(app);

    QTemporaryDir tmp;
    const QString path =
        parser.positionalArguments().isEmpty() ? makePicture(tmp.path()) : parser.positionalArguments().constFirst();
    const int rounds = std::max(1, parser.value(QStringLiteral("rounds")).toInt());
    const double goal = parser.value(QStringLiteral("goal")).toDouble();

    CDuovueDoc document;
    FileList::Entry entry;
    const QFileInfo info(path);
    entry.columns[0] = info.fileName();
    entry.columns[1] = info.absolutePath() + u'/';
    FileList list;
    list.append(entry);
    document.appendEntries(0, list);

    // One untimed run of each warms the file cache and loads the JPEG plugin.
    timeLoadPicture(document);
    timeBareDecode(path);

    std::vector<double> load;
    std::vector<double> bare;
    std::vector<double> pairRatios;
    for (int i = 0; i < rounds; ++i) {
        double a;
        double b;
        if (i % 2 == 0) {
            a = timeLoadPicture(document);
            b = timeBareDecode(path);
        } else {
            b = timeBareDecode(path);
            a = timeLoadPicture(document);
        }
        load.push_back(a);
        bare.push_back(b);
        pairRatios.push_back(a / b);
    }

    const double ratio = median(pairRatios);
    std::printf("file: %s (%lld bytes)\n", qPrintable(path), static_cast<long long>(info.size()));
    std::printf("rounds: %d\n", rounds);
    std::printf("LoadPicture        median %8.1f ms  (min %.1f, max %.1f)\n",
        median(load),
        *std::min_element(load.begin(), load.end()),
        *std::max_element(load.begin(), load.end()));
    std::printf("QImageReader::read median %8.1f ms  (min %.1f, max %.1f)\n",
        median(bare),
        *std::min_element(bare.begin(), bare.end()),
        *std::max_element(bare.begin(), bare.end()));
    std::printf("ratio (median of pairs) %.3f, goal <= %.2f: %s\n", ratio, goal, ratio <= goal ? "met" : "MISSED");
    return ratio <= goal ? 0 : 1;
}
