#include <cstring>
#include <thread>

#include <QBuffer>
#include <QImage>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QTest>

#include "imaging/picturedecoder.h"
#include "support/imagingfactory.h"
#include "support/testdir.h"

using namespace Duovue;
using namespace Duovue::Test::ImagingFactory;
using Status = DecodeResult::Status;

Q_DECLARE_METATYPE(Duovue::DecodeResult::Status)

namespace
{

// A 4 x 2 run-length coded 8-bit BMP (a layout the decoder leaves to Qt's reader).
QByteArray rle8Bmp()
{
    const QByteArray rows("\x04\x01\x00\x00\x02\x00\x02\x01\x00\x00\x00\x01", 12);
    QByteArray b(14 + 40 + 8, '\0');
    b[0] = 'B';
    b[1] = 'M';
    setLe32(b, 2, quint32(b.size() + rows.size()));
    setLe32(b, 10, quint32(b.size()));
    setLe32(b, 14, 40);
    setLe32(b, 18, 4);
    setLe32(b, 22, 2);
    setLe16(b, 26, 1);
    setLe16(b, 28, 8);
    setLe32(b, 30, 1);
    setLe32(b, 34, quint32(rows.size()));
    setLe32(b, 46, 2);
    setLe32(b, 54, 0x0000FF00);
    setLe32(b, 58, 0x00FFFFFF);
    return b + rows;
}

// A header claiming 65535 x 65535 pixels, 24 bits, over 64 bytes of rows: 118 bytes in all.
QByteArray hugeBmpHeader()
{
    QByteArray b = windowsBmp(QSize(4, 4), 0, 0).left(54) + QByteArray(64, '\x7F');
    setLe32(b, 18, 65535);
    setLe32(b, 22, 65535);
    return b;
}

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return out;
}

QImage qtDecode(const QByteArray &data)
{
    return QImage::fromData(data).convertToFormat(QImage::Format_RGB32);
}

/// Counts rows and sets a cancel flag once the picture's size is known.
class CancellingSink final : public PictureSink
{
public:
    explicit CancellingSink(std::atomic<bool> &cancel)
        : m_cancel(cancel)
    {
    }
    qint64 bytesFor(int, int) const override { return 0; }
    bool begin(int, int) override
    {
        m_cancel.store(true);
        return true;
    }
    void addRow(int, const unsigned char *, PixelFormat) override { ++rows; }
    int rows = 0;

private:
    std::atomic<bool> &m_cancel;
};

} // namespace

class PictureDecoderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
        // Qt's reader, the yardstick below, complains about the repeated scans it decodes.
        QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio.jpeg.warning=false"));
    }

    // What is decoded is what Qt's readers show, also where the data is complete but unusual.
    void decodesAsQtReaderDoes_data()
    {
        QTest::addColumn<QByteArray>("data");
        const QByteArray progressive = encodedJpeg(QSize(61, 37), 72, true);
        QTest::newRow("baseline JPEG") << encodedJpeg(QSize(67, 43));
        QTest::newRow("progressive JPEG") << progressive;
        QImage grey(31, 17, QImage::Format_Grayscale8);
        for (int y = 0; y < grey.height(); ++y)
            std::memset(grey.scanLine(y), y * 15, std::size_t(grey.width()));
        QTest::newRow("grey JPEG") << encoded(grey, "JPEG");
        QTest::newRow("JPEG without its end marker") << encodedJpeg(QSize(40, 24)).chopped(2);
        QTest::newRow("progressive without its end marker") << progressive.chopped(2);
        QTest::newRow("progressive, 100 extra scans") << withRepeatedScan(progressive, 100);
        QTest::newRow("BMP 24 bits") << windowsBmp(QSize(13, 7), 0, 0, Qt::darkCyan);
        QTest::newRow("OS/2 BMP") << os2Bmp(QSize(5, 3));
        QTest::newRow("run-length BMP") << rle8Bmp();
        QTest::newRow("GIF") << gif(QSize(21, 11));
        QTest::newRow("animated GIF, first frame") << gif(QSize(12, 10), "89a", 4, 3);
    }

    void decodesAsQtReaderDoes()
    {
        QFETCH(QByteArray, data);
        const QString path = m_dir.writeFile(QStringLiteral("same.img"), data);
        PictureDecoder decoder;
        ImageSink sink;
        const DecodeResult result = decoder.decodeFile(path, sink);
        QVERIFY2(result.ok(), qPrintable(result.reason));
        const QImage picture = sink.take();
        QCOMPARE(picture.format(), QImage::Format_RGB32);
        QCOMPARE(QSize(result.width, result.height), picture.size());
        QCOMPARE(result.fileSize, qint64(data.size()));
        QCOMPARE(picture, qtDecode(data));
    }

    // Each hostile file is refused, by its content whatever its name, before it costs memory.
    void refusesHostileFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<qint64>("sparseSize");
        QTest::addColumn<Status>("status");

        QImage green(4, 4, QImage::Format_RGB32);
        green.fill(Qt::green);
        const QByteArray png = encoded(green, "PNG");
        const QByteArray tiffData = tiff(false, resolutionEntries(72, 72, 2)) + QByteArray(64, '\0');
        const QByteArray webp = QByteArray("RIFF\x24\x00\x00\x00WEBPVP8L", 16) + QByteArray(24, '\x11');
        QTest::newRow("PNG named .jpg") << "png.jpg" << png << qint64(0) << Status::NotPicture;
        QTest::newRow("PNG named .gif") << "png.gif" << png << qint64(0) << Status::NotPicture;
        QTest::newRow("TIFF named .bmp") << "tiff.bmp" << tiffData << qint64(0) << Status::NotPicture;
        QTest::newRow("WebP named .jpg") << "webp.jpg" << webp << qint64(0) << Status::NotPicture;

        const QByteArray baseline = encodedJpeg(QSize(64, 48));
        const QByteArray progressive = encodedJpeg(QSize(64, 48), 72, true);
        // 30000 x 30000 pixels: 5.4 GB of coefficients before the first row, 3.6 GB of picture.
        QTest::newRow("progressive JPEG declaring 30000 x 30000")
            << "huge-p.jpg" << withDeclaredSize(progressive, 30000, 30000) << qint64(0) << Status::TooLarge;
        QTest::newRow("baseline JPEG declaring 30000 x 30000")
            << "huge-b.jpg" << withDeclaredSize(baseline, 30000, 30000) << qint64(0) << Status::TooLarge;
        QTest::newRow("JPEG with 600 scans")
            << "scans.jpg" << withRepeatedScan(progressive, 600) << qint64(0) << Status::TooManyScans;

        QTest::newRow("truncated baseline JPEG")
            << "cut-b.jpg" << baseline.left(baseline.size() * 2 / 3) << qint64(0) << Status::Truncated;
        QTest::newRow("progressive JPEG cut between scans")
            << "cut-p.jpg" << progressive.left(progressive.lastIndexOf(QByteArrayView("\xFF\xDA", 2))) << qint64(0)
            << Status::Truncated;
        const QByteArray bmp = windowsBmp(QSize(40, 40), 0, 0, Qt::white);
        QTest::newRow("truncated BMP") << "cut.bmp" << bmp.left(54 + 120 * 20) << qint64(0) << Status::Truncated;
        QTest::newRow("118-byte BMP claiming 65535 x 65535")
            << "huge.bmp" << hugeBmpHeader() << qint64(0) << Status::Truncated;
        QTest::newRow("truncated run-length BMP")
            << "cut-rle.bmp" << rle8Bmp().chopped(6) << qint64(0) << Status::Truncated;
        const QByteArray gifData = gif(QSize(40, 30));
        QTest::newRow("truncated GIF") << "cut.gif" << gifData.left(gifData.size() - 12) << qint64(0)
                                       << Status::Truncated;
        QTest::newRow("GIF without a picture")
            << "empty.gif" << gifData.left(13 + 3 * 256) + ';' << qint64(0) << Status::Corrupt;

        // 3 GiB sparse files: refused after their first bytes, never read whole.
        const qint64 big = qint64(3) << 30;
        QTest::newRow("sparse GIF") << "sparse.gif" << gifData.left(13) << big << Status::TooLarge;
        QTest::newRow("sparse zeros named .bmp") << "sparse.bmp" << QByteArray() << big << Status::NotPicture;
    }

    void refusesHostileFiles()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, data);
        QFETCH(qint64, sparseSize);
        const QString path = m_dir.filePath(QStringLiteral("hostile/") + name);
        if (sparseSize > 0)
            QVERIFY(makeSparseFile(m_dir.writeFile(QStringLiteral("hostile/") + name), data, sparseSize));
        else
            m_dir.writeFile(QStringLiteral("hostile/") + name, data);
        PictureDecoder decoder;
        ImageSink sink;
        const DecodeResult result = decoder.decodeFile(path, sink);
        QTEST(result.status, "status");
        QVERIFY(!result.reason.isEmpty());
    }

    // The cancel flag is set by the sink as soon as the picture's size is known: the decode stops
    // before it hands over a row, wherever its work lies (libjpeg's gathering of scans, its rows,
    // BMP rows), and a flag set beforehand stops every format at once.
    void cancelStopsDecode_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("setBefore");
        const QByteArray progressive = encodedJpeg(QSize(96, 64), 72, true);
        QTest::newRow("baseline JPEG") << encodedJpeg(QSize(96, 64)) << false;
        QTest::newRow("JPEG with 400 scans") << withRepeatedScan(progressive, 400) << false;
        QTest::newRow("BMP") << windowsBmp(QSize(96, 64), 0, 0) << false;
        QTest::newRow("GIF, flag already set") << gif(QSize(30, 20)) << true;
        QTest::newRow("JPEG, flag already set") << progressive << true;
    }

    void cancelStopsDecode()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, setBefore);
        std::atomic<bool> cancel{setBefore};
        DecodeOptions options;
        options.cancel = &cancel;
        PictureDecoder decoder(options);
        CancellingSink sink(cancel);
        const DecodeResult result = decoder.decodeData(data, sink);
        QCOMPARE(result.status, Status::Cancelled);
        QCOMPARE(sink.rows, 0);
    }

    // A picture that needs more than the whole shared budget is refused at once, never waited
    // for; one that fits waits until others give memory back; a cancel ends the wait.
    void budgetIsShared()
    {
        MemoryBudget budget(1000);
        QCOMPARE(budget.reserve(1001, nullptr), MemoryBudget::Grant::TooLarge);
        QCOMPARE(budget.reserve(600, nullptr), MemoryBudget::Grant::Granted);
        std::atomic<bool> cancel{true};
        QCOMPARE(budget.reserve(600, &cancel), MemoryBudget::Grant::Cancelled);
        MemoryBudget::Grant late = MemoryBudget::Grant::Cancelled;
        std::thread waiter([&] {
            late = budget.reserve(600, nullptr);
        });
        budget.release(600);
        waiter.join();
        QCOMPARE(late, MemoryBudget::Grant::Granted);
        QCOMPARE(budget.available(), qint64(400));

        DecodeOptions options;
        options.budget = &budget;
        PictureDecoder decoder(options);
        ImageSink sink;
        QCOMPARE(decoder.decodeData(encodedJpeg(QSize(64, 48)), sink).status, Status::TooLarge);
        QCOMPARE(budget.available(), qint64(400));
    }

private:
    Test::TestDir m_dir;
};

QTEST_GUILESS_MAIN(PictureDecoderTest)
#include "picturedecodertest.moc"
