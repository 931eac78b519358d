#include <algorithm>
#include <random>
#include <set>

#include <QTest>

#include "search/boxreducer.h"
#include "search/picturekeys.h"
#include "search/searchengine.h"
#include "search/similardescriptor.h"
#include "search/similarmatch.h"
#include "support/imagingfactory.h"
#include "support/searchfactory.h"
#include "support/testdir.h"

using namespace Duovue;
using namespace Qt::StringLiterals;
namespace SF = Duovue::Test::SearchFactory;
namespace IF = Duovue::Test::ImagingFactory;

namespace
{

// Under 131,072 pixels Qt converts and scales pictures on the calling thread: its own worker
// threads are invisible to ThreadSanitizer, which would report their hand-overs as races.
constexpr int Width = 360;
constexpr int Height = 270;

SearchOutcome runSimilar(const QString &folder, bool greyCopies = false, int workers = 0)
{
    SearchParams p;
    p.folder = folder;
    p.subfolders = true;
    p.method = SearchMethod::Similar;
    p.reductionSize = SimilarOptions::DefaultStrictness;
    p.greyCopies = greyCopies;
    p.workers = workers;
    SearchEngine engine(std::move(p));
    engine.start();
    return engine.takeOutcome();
}

QStringList rowsOf(const SearchOutcome &outcome)
{
    return SF::rowsOf(outcome.grouping.rows);
}

SimilarDescriptor describe(const QImage &image)
{
    BoxReducer reducer(SimilarDescriptor::Side);
    reducer.begin(image.width(), image.height());
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        reducer.addRow(y, rgb.constScanLine(y), PictureSink::PixelFormat::Bgrx32);
    return SimilarDescriptor::fromReduction(reducer, image.width(), image.height());
}

// An Exif segment whose one entry (Software, 0x131) holds @p value.
QByteArray exif(quint32 value)
{
    return IF::exifSegment(IF::tiff(false, {{0x0131, 4, value, 1}}));
}

QImage grey601(const QImage &image)
{
    QImage out = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const int v = qRound(0.299 * qRed(line[x]) + 0.587 * qGreen(line[x]) + 0.114 * qBlue(line[x]));
            line[x] = qRgb(v, v, v);
        }
    }
    return out;
}

// A downscale as photo tools make it: each output pixel is the mean of the source pixels it covers,
// the whole picture kept. Qt's smooth scaling would hand the work to its own threads, which the
// thread sanitizer cannot follow.
QImage shrunk(const QImage &image, int factor)
{
    const QImage in = image.convertToFormat(QImage::Format_RGB32);
    QImage out(in.width() / factor, in.height() / factor, QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        const int y0 = y * in.height() / out.height(), y1 = (y + 1) * in.height() / out.height();
        for (int x = 0; x < out.width(); ++x) {
            const int x0 = x * in.width() / out.width(), x1 = (x + 1) * in.width() / out.width();
            int r = 0, g = 0, b = 0;
            for (int sy = y0; sy < y1; ++sy) {
                const QRgb *line = reinterpret_cast<const QRgb *>(in.constScanLine(sy));
                for (int sx = x0; sx < x1; ++sx) {
                    r += qRed(line[sx]);
                    g += qGreen(line[sx]);
                    b += qBlue(line[sx]);
                }
            }
            const int n = (y1 - y0) * (x1 - x0);
            out.setPixel(x, y, qRgb((r + n / 2) / n, (g + n / 2) / n, (b + n / 2) / n));
        }
    }
    return out;
}

} // namespace

class SimilarTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The original and one copy of each kind are one group of two.
    void findsEachCopyKind_data()
    {
        QTest::addColumn<QByteArray>("copy");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("greyCopies");
        const QImage scene = SF::scene(Width, Height, 1);
        const QByteArray original = IF::insertAfterApp0(SF::jpeg(scene, 90), exif(1));
        const QImage decoded = SF::decodeJpeg(original);
        QTest::newRow("byte copy") << original << u"copy.jpg"_s << false;
        QTest::newRow("Exif changed") << IF::insertAfterApp0(SF::jpeg(scene, 90), exif(2)) << u"copy.jpg"_s << false;
        QTest::newRow("Exif stripped") << SF::jpeg(scene, 90) << u"copy.jpg"_s << false;
        QTest::newRow("quality 50") << SF::jpeg(decoded, 50) << u"copy.jpg"_s << false;
        QTest::newRow("quality 100") << SF::jpeg(decoded, 100) << u"copy.jpg"_s << false;
        QTest::newRow("progressive") << SF::jpeg(decoded, 80, true) << u"copy.jpg"_s << false;
        QTest::newRow("half") << SF::jpeg(shrunk(decoded, 2), 85) << u"copy.jpg"_s << false;
        QTest::newRow("quarter") << SF::jpeg(shrunk(decoded, 4), 85) << u"copy.jpg"_s << false;
        QTest::newRow("BMP") << SF::bmp(decoded) << u"copy.bmp"_s << false;
        QTest::newRow("GIF dithered") << IF::gif(SF::indexed(decoded, true)) << u"copy.gif"_s << false;
        QTest::newRow("GIF not dithered") << IF::gif(SF::indexed(decoded, false)) << u"copy.gif"_s << false;
        // Qt's grey mixes the channels otherwise than the JPEG luminance does.
        QTest::newRow("grey (Qt), asked for")
            << SF::jpeg(decoded.convertToFormat(QImage::Format_Grayscale8), 90) << u"copy.jpg"_s << true;
        QTest::newRow("grey (JPEG luminance), asked for") << SF::jpeg(grey601(decoded), 90) << u"copy.jpg"_s << true;
        m_original = original;
    }

    void findsEachCopyKind()
    {
        QFETCH(QByteArray, copy);
        QFETCH(QString, name);
        QFETCH(bool, greyCopies);
        Test::TestDir dir;
        dir.writeFile(u"a.jpg"_s, m_original);
        dir.writeFile(u"sub/"_s + name, copy);
        const SearchOutcome outcome = runSimilar(dir.path(), greyCopies);
        QCOMPARE(rowsOf(outcome), (QStringList{u"2:a.jpg"_s, u"2:"_s + name}));
        QCOMPARE(outcome.grouping.rows[0].columns[5], QString::number(Width));
    }

    // Pictures that merely look alike stay apart.
    void rejectsEachLookAlike_data()
    {
        QTest::addColumn<QImage>("first");
        QTest::addColumn<QImage>("second");
        const QImage scene = SF::scene(Width, Height, 2);
        SF::Shot shifted;
        shifted.shiftX = 0.03;
        SF::Shot zoomed;
        zoomed.zoom = 1.04;
        SF::Shot burst;
        burst.shiftX = 0.006;
        burst.subjectX = 0.02;
        burst.noise = 2;
        SF::Shot dark;
        dark.exposure = 0.15;
        QTest::newRow("shifted 3 %") << scene << SF::scene(Width, Height, 2, shifted);
        QTest::newRow("zoomed 4 %") << scene << SF::scene(Width, Height, 2, zoomed);
        QTest::newRow("burst") << scene << SF::scene(Width, Height, 2, burst);
        QTest::newRow("flat") << SF::flat(Width, Height, QColor(100, 110, 120))
                              << SF::flat(Width, Height, QColor(108, 112, 120), 2);
        QTest::newRow("dark") << SF::scene(Width, Height, 3, dark) << SF::scene(Width, Height, 4, dark);
        // The same luminance everywhere: only the colour check tells them apart.
        QTest::newRow("gradients of other colours")
            << SF::gradient(Width, Height, QColor(20, 40, 120), QColor(200, 220, 255), 90)
            << SF::gradient(Width, Height, QColor(80, 30, 10), QColor(250, 210, 165), 90);
        QTest::newRow("gradients at other angles")
            << SF::gradient(Width, Height, QColor(20, 40, 120), QColor(200, 220, 255), 90)
            << SF::gradient(Width, Height, QColor(20, 40, 120), QColor(200, 220, 255), 70);
        QTest::newRow("grey copy, not asked for") << scene << scene.convertToFormat(QImage::Format_Grayscale8);
    }

    void rejectsEachLookAlike()
    {
        QFETCH(QImage, first);
        QFETCH(QImage, second);
        Test::TestDir dir;
        dir.writeFile(u"a.jpg"_s, SF::jpeg(first, 90));
        dir.writeFile(u"b.jpg"_s, SF::jpeg(second, 90));
        QCOMPARE(runSimilar(dir.path()).grouping.groups, 0);
    }

    // Groups are cliques of verified pairs. Pictures lie on a line, each step of 1 just within
    // the strictness and a step of 1.5 beyond it: A ~ B ~ C with A !~ C never becomes one group,
    // and a picture that only one member of a group is like does not take it from the others.
    void groupsAreCliquesOfVerifiedPairs_data()
    {
        QTest::addColumn<std::vector<double>>("positions");
        QTest::addColumn<std::vector<std::vector<int>>>("groups");
        QTest::newRow("chain") << std::vector<double>{-1, 0, 1} << std::vector<std::vector<int>>{{0, 1}};
        QTest::newRow("chain, middle first") << std::vector<double>{0, -1, 1} << std::vector<std::vector<int>>{{0, 1}};
        QTest::newRow("weak member first")
            << std::vector<double>{-1, 0, 0.5, 1} << std::vector<std::vector<int>>{{1, 2, 3}};
    }

    void groupsAreCliquesOfVerifiedPairs()
    {
        QFETCH(std::vector<double>, positions);
        QFETCH(std::vector<std::vector<int>>, groups);
        // Position t: a scene with t times a fixed amount of another scene added, so that the
        // distance of two pictures grows with the distance of their positions.
        const QImage base = SF::scene(Width, Height, 5);
        const QImage other = SF::scene(Width, Height, 6);
        const auto at = [&](double t, double amount) {
            QImage out = base;
            for (int y = 0; y < Height; ++y) {
                QRgb *line = reinterpret_cast<QRgb *>(out.scanLine(y));
                const QRgb *add = reinterpret_cast<const QRgb *>(other.constScanLine(y));
                for (int x = 0; x < Width; ++x) {
                    const auto mix = [&](int a, int b) {
                        return std::clamp(qRound(a + t * amount * (b - 128)), 0, 255);
                    };
                    line[x] = qRgb(mix(qRed(line[x]), qRed(add[x])),
                        mix(qGreen(line[x]), qGreen(add[x])),
                        mix(qBlue(line[x]), qBlue(add[x])));
                }
            }
            return describe(out);
        };
        // The amount and the strictness at which a step of 1 passes and a step of 1.5 does not.
        SimilarOptions options;
        bool found = false;
        for (double amount = 0.01; amount < 0.2 && !found; amount *= 1.2) {
            const SimilarDescriptor zero = at(0, amount);
            const SimilarDescriptor one = at(1, amount);
            const SimilarDescriptor more = at(1.5, amount);
            for (options.strictness = 20; options.strictness >= 10 && !found; --options.strictness) {
                found = SimilarMatch::same(zero, one, options) && !SimilarMatch::same(zero, more, options);
                if (found) {
                    std::vector<SimilarDescriptor> d;
                    for (double t : positions)
                        d.push_back(at(t, amount));
                    QCOMPARE(SimilarMatch::findGroups(d, options).groups, groups);
                }
            }
        }
        QVERIFY(found);
    }

    // However many workers decode, in whatever order they finish, the rows come out the same.
    void groupingIsDeterministic()
    {
        Test::TestDir dir;
        for (int s = 0; s < 4; ++s) {
            const QImage scene = SF::scene(Width, Height, 10 + s);
            const QByteArray jpeg = SF::jpeg(scene, 90);
            dir.writeFile(u"d%1/p.jpg"_s.arg(s), jpeg);
            dir.writeFile(u"d%1/p-copy.jpg"_s.arg(s), jpeg);
            dir.writeFile(u"e/p%1-small.jpg"_s.arg(s), SF::jpeg(scene.scaled(Width / 2, Height / 2), 70));
            SF::Shot burst;
            burst.shiftX = 0.008;
            burst.subjectX = 0.03;
            dir.writeFile(u"e/p%1-burst.jpg"_s.arg(s), SF::jpeg(SF::scene(Width, Height, 10 + s, burst), 90));
        }
        const QStringList first = rowsOf(runSimilar(dir.path(), false, 1));
        QCOMPARE(first.size(), 12);
        for (int workers : {8, 3})
            QCOMPARE(rowsOf(runSimilar(dir.path(), false, workers)), first);
    }

    // The index returns exactly the codes within the radius, whatever block the differences fall in.
    void indexFindsExactlyTheCodesWithinRadius()
    {
        std::mt19937_64 rng(3);
        std::vector<std::uint64_t> codes;
        for (int i = 0; i < 3000; ++i)
            codes.push_back(rng());
        const std::uint64_t query = codes[17];
        for (int bits = 0; bits <= 12; ++bits) {
            std::uint64_t near = query;
            for (int k = 0; k < bits; ++k)
                near ^= std::uint64_t(1) << ((k * 23 + bits) % 64);
            codes.push_back(near);
        }
        for (int blocks : {3, 4}) {
            const HammingIndex index(codes, blocks);
            HammingIndex::Search search(index);
            for (int radius = 0; radius <= index.maxRadius(); ++radius) {
                std::set<std::uint32_t> expected;
                for (std::size_t i = 0; i < codes.size(); ++i) {
                    if (std::popcount(codes[i] ^ query) <= radius)
                        expected.insert(std::uint32_t(i));
                }
                const std::vector<std::uint32_t> &found = search.near(query, radius);
                QCOMPARE(std::set<std::uint32_t>(found.begin(), found.end()), expected);
                QCOMPARE(found.size(), expected.size());
            }
        }
    }

    // One decode gives the bitmap key of the bitmap method and the descriptor of a decode of its own.
    void oneDecodeGivesBothKeys()
    {
        const QByteArray jpeg = SF::jpeg(SF::scene(Width, Height, 6), 85);
        const auto *data = reinterpret_cast<const unsigned char *>(jpeg.constData());
        const PictureKeys both = PictureKeyMaker(15, true).computeFromData(data, std::size_t(jpeg.size()));
        const BitmapKey bitmap = BitmapKeyMaker(15).computeFromData(data, std::size_t(jpeg.size()));
        const PictureKeys similar = PictureKeyMaker(0, true).computeFromData(data, std::size_t(jpeg.size()));
        QCOMPARE(both.bitmap.key, bitmap.key);
        QVERIFY(both.similar && similar.similar);
        QVERIFY(*both.similar == *similar.similar);
        QVERIFY(similar.bitmap.key.isEmpty());
    }

    void descriptorBlobRoundTripsAndNamesItsVersion()
    {
        const SimilarDescriptor d = describe(SF::scene(Width, Height, 7));
        const QByteArray blob = d.toBytes();
        QCOMPARE(blob.size(), SimilarDescriptor::SerializedSize);
        QVERIFY(SimilarDescriptor::fromBytes(blob) == d);
        QByteArray other = blob;
        other[0] = char(SimilarDescriptor::Version + 1);
        QVERIFY(!SimilarDescriptor::fromBytes(other));
        QVERIFY(!SimilarDescriptor::fromBytes(blob.left(blob.size() - 1)));
    }

    // The key cache's compact form keeps every bit of any descriptor (smooth, noisy, flat,
    // grey), is smaller for a photograph, and refuses what is not one of its blobs.
    void compactBlobKeepsEveryBit_data()
    {
        QTest::addColumn<QImage>("picture");
        QTest::addColumn<bool>("smaller");
        QImage noise(Width, Height, QImage::Format_RGB32);
        std::mt19937 rng(3);
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                noise.setPixel(x, y, rng());
        QImage flat(Width, Height, QImage::Format_RGB32);
        flat.fill(QColor(90, 120, 40));
        QTest::newRow("scene") << SF::scene(Width, Height, 7) << true;
        QTest::newRow("grey scene") << SF::scene(Width, Height, 8).convertToFormat(QImage::Format_Grayscale8) << true;
        QTest::newRow("noise") << noise << false;
        QTest::newRow("flat") << flat << true;
    }

    void compactBlobKeepsEveryBit()
    {
        QFETCH(QImage, picture);
        QFETCH(bool, smaller);
        const SimilarDescriptor d = describe(picture);
        const QByteArray blob = d.toCompactBytes();
        QVERIFY(SimilarDescriptor::fromCompactBytes(blob) == d);
        if (smaller)
            QVERIFY2(blob.size() < SimilarDescriptor::SerializedSize * 4 / 5, QByteArray::number(blob.size()));
        for (const QByteArray &bad : {blob.left(blob.size() - 1),
                 QByteArray(blob + '\0'),
                 blob.left(SimilarDescriptor::HeaderBytes),
                 d.toBytes()})
            QVERIFY(!SimilarDescriptor::fromCompactBytes(bad));
        // Damaged bytes (the cache's seal should catch them first) decode to something or nothing.
        std::mt19937 rng(5);
        for (int i = 0; i < 500; ++i) {
            QByteArray damaged = blob;
            damaged[qsizetype(rng() % std::uint32_t(blob.size()))] ^= char(1 + rng() % 255);
            SimilarDescriptor::fromCompactBytes(damaged);
        }
    }

private:
    QByteArray m_original;
};

QTEST_GUILESS_MAIN(SimilarTest)
#include "similartest.moc"
