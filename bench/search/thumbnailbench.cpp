// What keying every precision at once costs: each file is decoded into one bitmap key (N = 15)
// and into the eleven thumbnails the key cache keeps (N = 10 to 20), in turn, on one thread, with
// the files read beforehand so that only decoding and reducing are timed.
// usage: thumbnailbench FILE...   (prints medians of the per-file ratio and the totals)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <QCoreApplication>
#include <QFile>

#include "search/bitmapkey.h"
#include "search/picturekeys.h"

using namespace Duovue;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList files = QCoreApplication::arguments().mid(1);
    if (files.isEmpty()) {
        std::fprintf(stderr, "usage: thumbnailbench FILE...\n");
        return 2;
    }
    using Clock = std::chrono::steady_clock;
    BitmapKeyMaker one(15);
    PictureKeyMaker all(15, false, nullptr, nullptr, true);
    double totalOne = 0;
    double totalAll = 0;
    std::vector<double> ratios;
    int mismatches = 0;
    for (const QString &path : files) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray data = f.readAll();
        const auto *bytes = reinterpret_cast<const unsigned char *>(data.constData());
        // Alternate the order so that neither side always finds the caches warm.
        double tOne = 0;
        double tAll = 0;
        BitmapKey a;
        PictureKeys b;
        for (int round = 0; round < 2; ++round) {
            const bool oneFirst = (round == 0) == (ratios.size() % 2 == 0);
            for (int side = 0; side < 2; ++side) {
                const auto t0 = Clock::now();
                if ((side == 0) == oneFirst)
                    a = one.computeFromData(bytes, std::size_t(data.size()));
                else
                    b = all.computeFromData(bytes, std::size_t(data.size()));
                const double s = std::chrono::duration<double>(Clock::now() - t0).count();
                ((side == 0) == oneFirst ? tOne : tAll) += s;
            }
        }
        if (a.key != b.bitmap.key)
            ++mismatches;
        if (a.outcome != BitmapKey::Outcome::Ok)
            continue;
        totalOne += tOne;
        totalAll += tAll;
        ratios.push_back(tAll / tOne);
    }
    if (ratios.empty())
        return 1;
    std::sort(ratios.begin(), ratios.end());
    std::printf("%zu pictures: one size %.3f s, eleven sizes %.3f s (total ratio %.3f, median per picture %.3f)"
                ", %d keys differ\n",
        ratios.size(),
        totalOne / 2,
        totalAll / 2,
        totalAll / totalOne,
        ratios[ratios.size() / 2],
        mismatches);
    return mismatches == 0 ? 0 : 1;
}
