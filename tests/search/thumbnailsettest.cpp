#include <algorithm>
#include <random>

#include <QTest>

#include "search/bitmapkey.h"
#include "search/boxreducer.h"
#include "search/picturekeys.h"
#include "search/thumbnailset.h"
#include "support/searchfactory.h"

using namespace Duovue;
namespace SF = Duovue::Test::SearchFactory;
using Format = PictureSink::PixelFormat;

// A cached set must give exactly the keys of a search without the cache, at every size.
class ThumbnailSetTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void matchesBoxReducerAtEverySize_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("format");
        QTest::addColumn<bool>("shuffled");
        // Pictures smaller than the grid, sizes that are and are not multiples of every n, one
        // row or column, and rows handed over out of order as BMP and interlaced GIF do.
        const int sizes[][2] = {
            {1, 1}, {1, 37}, {37, 1}, {5, 7}, {19, 23}, {20, 20}, {21, 13}, {60, 60}, {199, 101}, {420, 9}, {2140, 31}};
        for (const auto &s : sizes) {
            for (int f : {int(Format::Rgb24), int(Format::Bgrx32), int(Format::Gray8)})
                QTest::addRow("%dx%d format %d", s[0], s[1], f) << s[0] << s[1] << f << false;
            QTest::addRow("%dx%d shuffled", s[0], s[1]) << s[0] << s[1] << int(Format::Bgrx32) << true;
        }
    }

    void matchesBoxReducerAtEverySize()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, format);
        QFETCH(bool, shuffled);
        const int step = format == int(Format::Rgb24) ? 3 : (format == int(Format::Bgrx32) ? 4 : 1);
        // Noise around mid grey puts many cells next to the threshold, where a wrong weight shows.
        std::mt19937 rng(unsigned(width * 7919 + height));
        std::vector<std::vector<unsigned char>> rows(static_cast<std::size_t>(height));
        for (int y = 0; y < height; ++y) {
            rows[std::size_t(y)].resize(std::size_t(width * step));
            for (unsigned char &v : rows[std::size_t(y)])
                v = static_cast<unsigned char>(96 + int(rng() % 64) + (y * 40 / height));
        }
        std::vector<int> order(static_cast<std::size_t>(height));
        for (int y = 0; y < height; ++y)
            order[std::size_t(y)] = y;
        if (shuffled)
            std::shuffle(order.begin(), order.end(), rng);

        ThumbnailSetReducer all;
        QVERIFY(all.bytesFor(width, height) >= 0);
        all.begin(width, height);
        for (int y : order)
            all.addRow(y, rows[std::size_t(y)].data(), Format(format));
        const ThumbnailSet set = all.result();
        QCOMPARE(set.bytes().size(), ThumbnailSet::PackedBytes);
        for (int n = ThumbnailSet::First; n <= ThumbnailSet::Last; ++n) {
            BoxReducer one(width, height, n);
            for (int y = 0; y < height; ++y)
                one.addRow(y, rows[std::size_t(y)].data(), Format(format));
            QCOMPARE(set.thumbnail(n), one.thumbnail());
        }
        QCOMPARE(ThumbnailSet::fromBytes(set.bytes())->thumbnail(15), set.thumbnail(15));
    }

    // Through the decoder: the key at each size is BitmapKeyMaker's, and what is not a picture is
    // settled (a cache may keep it) while a cancelled decode is not.
    void keysMatchBitmapKeyMaker()
    {
        const QByteArray jpeg = SF::jpeg(SF::pattern(333, 251, 3), 85);
        const auto *data = reinterpret_cast<const unsigned char *>(jpeg.constData());
        PictureKeyMaker maker(15, false, nullptr, nullptr, true);
        const PictureKeys found = maker.computeFromData(data, std::size_t(jpeg.size()));
        QVERIFY(found.settled);
        QCOMPARE(found.bitmap.key, BitmapKeyMaker(15).computeFromData(data, std::size_t(jpeg.size())).key);
        for (int n = ThumbnailSet::First; n <= ThumbnailSet::Last; ++n) {
            const BitmapKey expected = BitmapKeyMaker(n).computeFromData(data, std::size_t(jpeg.size()));
            const BitmapKey key = found.thumbnails.key(n, found.bitmap.width, found.bitmap.height);
            QCOMPARE(key.key, expected.key);
            QCOMPARE(key.thumbnail, expected.thumbnail);
            QCOMPARE(key.width, 333);
            QCOMPARE(key.height, 251);
        }
        const QByteArray text("not a picture");
        const PictureKeys refused =
            maker.computeFromData(reinterpret_cast<const unsigned char *>(text.constData()), std::size_t(text.size()));
        QCOMPARE(refused.bitmap.outcome, BitmapKey::Outcome::Undecodable);
        QVERIFY(refused.settled);
        const std::atomic<bool> cancel{true};
        QVERIFY(!PictureKeyMaker(15, false, &cancel, nullptr, true)
                     .computeFromData(data, std::size_t(jpeg.size()))
                     .settled);
    }
};

QTEST_GUILESS_MAIN(ThumbnailSetTest)
#include "thumbnailsettest.moc"
