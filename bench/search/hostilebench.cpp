// Hostile inputs for the decoders, and how soon a stop takes effect on pictures that are slow to
// decode.
//
//   hostilebench make FOLDER
//       Writes hostile files into FOLDER: progressive and baseline JPEGs declaring 30000 x 30000
//       pixels, JPEGs repeating one scan 20,000 times, 3 GiB sparse files named like pictures,
//       truncated copies of a picture beside the picture and a copy of it; and in FOLDER/giant six
//       96-megapixel progressive JPEGs, within the limits. Measure the bitmap search over them
//       with /usr/bin/time -v duovue-cli dupes (run.sh does).
//   hostilebench stop FOLDER [ROUNDS]
//       Writes slow pictures into FOLDER once (24-megapixel progressive JPEGs of 450 scans, a few
//       seconds of decoding each), then, ROUNDS times each: aborts a bitmap search, destroys one
//       (the program's exit), and cancels a pane's picture read, each once decoding is under way,
//       and prints the median time from the stop to its end.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QtConcurrent/QtConcurrentRun>
#include <QtEndian>

#include "imaging/pictureloader.h"
#include "search/searchengine.h"

using namespace Duovue;

namespace
{

QByteArray progressiveJpeg(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb((x * 255) / width, (y * 255) / height, ((x ^ y) >> 3) & 0xFF);
    }
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(85);
    writer.setProgressiveScanWrite(true);
    writer.write(image);
    return out;
}

QByteArray declaringSize(QByteArray jpeg, quint16 width, quint16 height)
{
    // The first start-of-frame marker, baseline or progressive.
    for (qsizetype i = 2; i + 9 < jpeg.size(); ++i) {
        const auto marker = static_cast<quint8>(jpeg[i + 1]);
        if (static_cast<quint8>(jpeg[i]) == 0xFF && (marker == 0xC0 || marker == 0xC2)) {
            qToBigEndian(height, jpeg.data() + i + 5);
            qToBigEndian(width, jpeg.data() + i + 7);
            break;
        }
    }
    return jpeg;
}

// The first scan (the DC values, which a repeat sets to the same values) repeated @p extra times.
QByteArray repeatingFirstScan(const QByteArray &jpeg, int extra)
{
    const QByteArrayView sos("\xFF\xDA", 2);
    const qsizetype first = jpeg.indexOf(sos);
    const qsizetype second = jpeg.indexOf(sos, first + 2);
    return jpeg.left(second) + jpeg.mid(first, second - first).repeated(extra) + jpeg.mid(second);
}

bool write(const QString &path, const QByteArray &bytes, qint64 sparseSize = 0)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    return sparseSize == 0 || file.resize(sparseSize);
}

int make(const QString &folder)
{
    QDir().mkpath(folder);
    const QByteArray small = progressiveJpeg(64, 64);
    const QByteArray picture = progressiveJpeg(640, 480);
    bool ok = true;
    for (int i = 1; i <= 3; ++i) {
        const QString n = QString::number(i);
        ok = ok && write(folder + u"/huge-progressive" + n + u".jpg", declaringSize(small, 30000, 30000));
        ok = ok && write(folder + u"/scans" + n + u".jpg", repeatingFirstScan(small, 20000));
        ok = ok && write(folder + u"/sparse" + n + u".bmp", QByteArray(), qint64(3) << 30);
        ok = ok
            && write(folder + u"/sparse" + n + u".gif",
                QByteArray("GIF89a\x10\x00\x10\x00\x00\x00\x00", 13),
                qint64(3) << 30);
    }
    QByteArray baseline;
    QBuffer buffer(&baseline);
    buffer.open(QIODevice::WriteOnly);
    QImage::fromData(picture).save(&buffer, "JPEG", 85);
    ok = ok && write(folder + u"/huge-baseline.jpg", declaringSize(baseline, 30000, 30000));
    ok = ok && write(folder + u"/picture.jpg", picture) && write(folder + u"/picture-copy.jpg", picture);
    ok = ok && write(folder + u"/picture-cut.jpg", picture.left(picture.size() * 3 / 4));
    // Giant pictures within the limits (96 megapixels, progressive: 290 MB of coefficients each):
    // decoded at once by every worker they would add up to gigabytes.
    const QString giant = folder + u"/giant";
    QDir().mkpath(giant);
    const QByteArray large = progressiveJpeg(12000, 8000);
    for (int i = 1; i <= 6; ++i)
        ok = ok && write(giant + u"/giant" + QString::number(i) + u".jpg", large);
    std::printf("%s hostile files in %s, giant ones in %s\n",
        ok ? "wrote" : "FAILED to write",
        qPrintable(folder),
        qPrintable(giant));
    return ok ? 0 : 1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double msSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// Long enough for every worker to be inside a decode.
void letDecodesStart()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
}

int stop(const QString &folder, int rounds)
{
    QDir().mkpath(folder);
    const int files = 8;
    if (!QFile::exists(folder + u"/slow" + QString::number(files - 1) + u".jpg")) {
        std::printf("writing %d slow pictures...\n", files);
        const QByteArray slow = repeatingFirstScan(progressiveJpeg(6000, 4000), 440);
        for (int i = 0; i < files; ++i)
            write(folder + u"/slow" + QString::number(i) + u".jpg", slow);
    }
    SearchParams params;
    params.folder = folder;
    params.method = SearchMethod::Bitmap;

    std::vector<double> aborted;
    std::vector<double> destroyed;
    std::vector<double> cancelled;
    for (int round = 0; round < rounds; ++round) {
        {
            SearchEngine engine(params);
            engine.start();
            letDecodesStart();
            QElapsedTimer timer;
            timer.start();
            engine.abort();
            while (!engine.waitForFinished(1)) { }
            aborted.push_back(msSince(timer));
            if (engine.progress().read >= files)
                std::printf("round %d: the search ended before the abort; the figure is void\n", round);
        }
        {
            auto engine = std::make_unique<SearchEngine>(params);
            engine->start();
            letDecodesStart();
            QElapsedTimer timer;
            timer.start();
            engine.reset();
            destroyed.push_back(msSince(timer));
        }
        {
            std::atomic<bool> cancel{false};
            QFuture<Result<DecodedPicture>> read = QtConcurrent::run([&] {
                return ReadPicture(folder + u"/slow0.jpg", &cancel);
            });
            letDecodesStart();
            QElapsedTimer timer;
            timer.start();
            cancel.store(true);
            read.waitForFinished();
            cancelled.push_back(msSince(timer));
            if (read.result().ok())
                std::printf("round %d: the read ended before the cancel; the figure is void\n", round);
        }
    }
    std::printf("%d rounds, %d slow pictures, %d decode workers\n", rounds, files, SearchEngine::defaultWorkerCount());
    std::printf("search abort -> finished      median %7.2f ms (max %.2f)\n",
        median(aborted),
        *std::max_element(aborted.begin(), aborted.end()));
    std::printf("search destroyed mid-decode   median %7.2f ms (max %.2f)\n",
        median(destroyed),
        *std::max_element(destroyed.begin(), destroyed.end()));
    std::printf("pane read cancelled           median %7.2f ms (max %.2f)\n",
        median(cancelled),
        *std::max_element(cancelled.begin(), cancelled.end()));
    const double worst = std::max({*std::max_element(aborted.begin(), aborted.end()),
        *std::max_element(destroyed.begin(), destroyed.end()),
        *std::max_element(cancelled.begin(), cancelled.end())});
    std::printf("goal: every stop within 100 ms: %s\n", worst <= 100 ? "met" : "MISSED");
    return worst <= 100 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args[1] == u"make")
        return make(args[2]);
    if (args.size() >= 3 && args[1] == u"stop")
        return stop(args[2], args.size() >= 4 ? std::max(1, args[3].toInt()) : 5);
    std::fprintf(stderr, "usage: hostilebench make FOLDER | hostilebench stop FOLDER [ROUNDS]\n");
    return 2;
}
