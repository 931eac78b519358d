#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include "document/cduovuedoc.h"
#include "imaging/picturedecoder.h"
#include "imaging/pictureloader.h"
#include "support/imagingfactory.h"
#include "support/listtexts.h"
#include "support/testdir.h"

using namespace Duovue;
using namespace Duovue::Test::ImagingFactory;

Q_DECLARE_METATYPE(Duovue::Error::Code)

namespace
{

// Width and height columns filled too, so a test can see that a failed load leaves them alone.
FileList::Entry entryFor(const QString &path)
{
    FileList::Entry e = Test::entryFor(path);
    e.columns[5] = QStringLiteral("640");
    e.columns[6] = QStringLiteral("480");
    return e;
}

} // namespace

class PictureLoaderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init() { m_document = std::make_unique<CDuovueDoc>(); }
    void decodesPicture_data();
    void decodesPicture();
    void refusesFile_data();
    void refusesFile();
    void refusesFileItCannotOpen();
    void cancelledReadIsAborted();
    void informationText_data();
    void informationText();
    void successClearsMarker();
    void failureAtEntryZeroIsNotSuccess();
    void missingFileMarksListEntry();
    void undecodableFileLeavesListAlone();
    void refusesIndexOutsideList_data();
    void refusesIndexOutsideList();

private:
    /// Fills side @p side's list with entries for @p names in m_dir (names need not exist).
    void fillList(int side, const QStringList &names);

    Test::TestDir m_dir;
    std::unique_ptr<CDuovueDoc> m_document;
};

void PictureLoaderTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
}

void PictureLoaderTest::fillList(int side, const QStringList &names)
{
    FileList list;
    for (const QString &name : names)
        list.append(entryFor(m_dir.filePath(name)));
    m_document->clearSide(side);
    m_document->appendEntries(side, list);
}

void PictureLoaderTest::decodesPicture_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("typeText");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("exifFlag");
    QTest::addColumn<int>("dpi");

    const QByteArray jpeg = encodedJpeg(QSize(64, 48), 96);
    QTest::newRow("JFIF") << jpeg << QStringLiteral("JPEG(JFIF)") << QSize(64, 48) << 0 << 96;
    QTest::newRow("progressive JFIF") << encodedJpeg(QSize(33, 17), 72, true) << QStringLiteral("JPEG(JFIF)")
                                      << QSize(33, 17) << 0 << 72;
    QTest::newRow("Exif first") << replaceApp0(jpeg, exifSegment(tiff(true, resolutionEntries(300, 300, 2))))
                                << QStringLiteral("JPEG(Exif)") << QSize(64, 48) << 1 << 300;
    QTest::newRow("JFIF then Exif") << insertAfterApp0(jpeg, exifSegment(tiff(false, resolutionEntries(28, 28, 3))))
                                    << QStringLiteral("JPEG(JFIF)") << QSize(64, 48) << 1 << 71;
    QTest::newRow("Windows BMP") << windowsBmp(QSize(5, 3), 2835, 2835) << QStringLiteral("BMP(Windows)") << QSize(5, 3)
                                 << 0 << 72;
    QTest::newRow("OS/2 BMP") << os2Bmp(QSize(7, 2)) << QStringLiteral("BMP(OS/2)") << QSize(7, 2) << 0 << 0;
    QTest::newRow("GIF87a") << gif(QSize(9, 4), "87a", 2) << QStringLiteral("GIF(87a 4)") << QSize(9, 4) << 0 << 0;
    QTest::newRow("GIF89a local table") << gif(QSize(9, 4), "89a", 0) << QStringLiteral("GIF(89a)") << QSize(9, 4) << 0
                                        << 0;
    QTest::newRow("animated GIF") << gif(QSize(12, 10), "89a", 4, 3) << QStringLiteral("GIF(89a 16)") << QSize(12, 10)
                                  << 0 << 0;
}

void PictureLoaderTest::decodesPicture()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    QFETCH(int, dpi);

    const QString path =
        m_dir.writeFile(QStringLiteral("decode/%1.img").arg(QString::fromUtf8(QTest::currentDataTag())), bytes);
    const Result<DecodedPicture> read = ReadPicture(path);
    QVERIFY2(read.ok(), qPrintable(read.ok() ? QString() : read.error().message));

    const DecodedPicture &decoded = read.value();
    QCOMPARE(decoded.picture.format(), QImage::Format_RGB32);
    QCOMPARE(decoded.picture.size(), size);
    QCOMPARE(decoded.info.path, path);
    QCOMPARE(decoded.info.fileSize, quint64(bytes.size()));
    QCOMPARE(QSize(decoded.info.width, decoded.info.height), size);
    QTEST(decoded.info.typeText, "typeText");
    QTEST(decoded.info.exifFlag, "exifFlag");
    QCOMPARE(decoded.info.horizontalResolution, dpi);
    QCOMPARE(decoded.info.verticalResolution, dpi);
}

void PictureLoaderTest::refusesFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<Error::Code>("code");

    QTest::newRow("missing") << m_dir.filePath(QStringLiteral("nothing.jpg")) << Error::Code::NotFound;
    QTest::newRow("dangling link") << m_dir.makeSymlink(QStringLiteral("gone.jpg"), QStringLiteral("dangling.jpg"))
                                   << Error::Code::NotFound;
    QTest::newRow("folder") << m_dir.makeDir(QStringLiteral("folder.jpg")) << Error::Code::ReadFailed;
    const QString fifo = m_dir.filePath(QStringLiteral("pipe.jpg"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QTest::newRow("pipe") << fifo << Error::Code::ReadFailed;
    QTest::newRow("empty") << m_dir.writeFile(QStringLiteral("empty.jpg")) << Error::Code::InvalidData;
    QTest::newRow("garbage") << m_dir.writeFile(QStringLiteral("garbage.jpg"), QByteArray(4000, '\x5A'))
                             << Error::Code::InvalidData;
    QTest::newRow("JPEG header only") << m_dir.writeFile(
        QStringLiteral("header.jpg"), encodedJpeg(QSize(16, 16)).left(20))
                                      << Error::Code::InvalidData;
    QTest::newRow("probe-only JPEG") << m_dir.writeFile(
        QStringLiteral("probeonly.jpg"), jpegHeader({jfifSegment(1, 72, 72)}))
                                     << Error::Code::InvalidData;

    // A real PNG: Qt could decode it, the panes accept JPEG, BMP and GIF only.
    QImage png(4, 4, QImage::Format_RGB32);
    png.fill(Qt::green);
    const QString pngPath = m_dir.filePath(QStringLiteral("renamed-png.jpg"));
    QVERIFY(png.save(pngPath, "PNG"));
    QTest::newRow("PNG named .jpg") << pngPath << Error::Code::InvalidData;

    // A bitmap header claiming 60000 x 60000 pixels (14 GB decoded) with almost no data.
    QByteArray huge = windowsBmp(QSize(1, 1), 2835, 2835);
    huge.replace(18, 8, QByteArray("\x60\xEA\x00\x00\x60\xEA\x00\x00", 8));
    QTest::newRow("absurd BMP size") << m_dir.writeFile(QStringLiteral("absurd.bmp"), huge) << Error::Code::InvalidData;
    const QString absurd = m_dir.filePath(QStringLiteral("absurd-whole.bmp"));
    QVERIFY(makeSparseFile(absurd, huge.left(54), 54 + qint64(60000 * 3) * 60000));
    QTest::newRow("absurd BMP size, all rows there") << absurd << Error::Code::Unsupported;

    // A GIF is held whole to be decoded; a sparse one just over the size limit is refused unread.
    const QString big = m_dir.filePath(QStringLiteral("big.gif"));
    QVERIFY(makeSparseFile(big, gif(QSize(1, 1)), DecodeLimits().maxFileBytes + 1));
    QTest::newRow("over the size limit") << big << Error::Code::Unsupported;

    // Data that ends early is refused, not shown in part.
    const QByteArray jpeg = encodedJpeg(QSize(64, 48));
    QTest::newRow("truncated JPEG") << m_dir.writeFile(QStringLiteral("cut.jpg"), jpeg.left(jpeg.size() / 2))
                                    << Error::Code::InvalidData;
}

void PictureLoaderTest::refusesFile()
{
    QFETCH(QString, path);
    const Result<DecodedPicture> read = ReadPicture(path);
    QVERIFY(!read.ok());
    QTEST(read.error().code, "code");
    QVERIFY(read.error().message.contains(path));
}

void PictureLoaderTest::refusesFileItCannotOpen()
{
    if (::geteuid() == 0)
        QSKIP("permissions do not stop root");
    const QString path = m_dir.writeFile(QStringLiteral("locked.jpg"), encodedJpeg(QSize(8, 8)));
    QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    const Result<DecodedPicture> read = ReadPicture(path);
    QVERIFY(!read.ok());
    QCOMPARE(read.error().code, Error::Code::AccessDenied);
}

// The panes cancel decodes whose result they will drop; a cancelled read changes nothing.
void PictureLoaderTest::cancelledReadIsAborted()
{
    const QString path = m_dir.writeFile(QStringLiteral("cancel.jpg"), encodedJpeg(QSize(32, 32)));
    const std::atomic<bool> cancel{true};
    const Result<DecodedPicture> read = ReadPicture(path, &cancel);
    QVERIFY(!read.ok());
    QCOMPARE(read.error().code, Error::Code::Aborted);
    QVERIFY(ReadPicture(path).ok());
}

void PictureLoaderTest::informationText_data()
{
    QTest::addColumn<ImageInfo>("info");
    QTest::addColumn<QString>("text");

    ImageInfo jpeg;
    jpeg.fileSize = 1234567;
    jpeg.width = 640;
    jpeg.height = 480;
    jpeg.horizontalResolution = 72;
    jpeg.verticalResolution = 72;
    QTest::newRow("with resolution") << jpeg
                                     << QStringLiteral("\u3000ファイルサイズ:\u30001,234,567 バイト\r\n"
                                                       "\u3000画像サイズ:\u3000\u3000  640 x 480 ピクセル\r\n"
                                                       "\u3000解像度:\u3000\u3000\u3000\u3000\u3000 72 x 72 dpi");
    ImageInfo gifInfo;
    gifInfo.fileSize = 35;
    gifInfo.width = 1;
    gifInfo.height = 1;
    gifInfo.verticalResolution = 96; // only the horizontal resolution decides
    QTest::newRow("without resolution") << gifInfo
                                        << QStringLiteral("\u3000ファイルサイズ:\u300035 バイト\r\n"
                                                          "\u3000画像サイズ:\u3000\u3000  1 x 1 ピクセル");
}

void PictureLoaderTest::informationText()
{
    QFETCH(ImageInfo, info);
    QTEST(InformationText(info), "text");
}

void PictureLoaderTest::successClearsMarker()
{
    m_dir.writeFile(QStringLiteral("ok/a.jpg"), encodedJpeg(QSize(20, 10), 72));
    fillList(1, {QStringLiteral("ok/missing.jpg"), QStringLiteral("ok/a.jpg")});

    const Result<LoadOutcome> outcome = m_document->loadPicture(3, 1);
    QVERIFY(outcome.ok());
    QCOMPARE(outcome.value(), LoadOutcome::Loaded);
    const PaneContent &content = m_document->pane(3);
    QCOMPARE(content.loadMarker, 0);
    QVERIFY(content.loadSucceeded);
    QCOMPARE(m_document->pane(1).loadMarker, 1); // other panes untouched
    QCOMPARE(content.picture.size(), QSize(20, 10));
    QCOMPARE(content.info.listIndex, 1);
    QCOMPARE(content.info.path, m_dir.filePath(QStringLiteral("ok/a.jpg")));
    QCOMPARE(content.informationText, InformationText(content.info));
    QVERIFY(content.informationText.endsWith(QStringLiteral("72 x 72 dpi")));
    QVERIFY(!content.missingFile);
}

void PictureLoaderTest::failureAtEntryZeroIsNotSuccess()
{
    m_dir.writeFile(QStringLiteral("zero/bad.jpg"), QByteArray("not a picture"));
    m_dir.writeFile(QStringLiteral("zero/good.gif"), gif(QSize(4, 4)));
    fillList(0, {QStringLiteral("zero/bad.jpg"), QStringLiteral("zero/good.gif")});

    const PaneContent &content = m_document->pane(0);
    QCOMPARE(m_document->loadPicture(0, 1).value(), LoadOutcome::Loaded);
    QVERIFY(content.loadSucceeded);

    QCOMPARE(m_document->loadPicture(0, 0).value(), LoadOutcome::Undecodable);
    // The marker keeps the failing entry's number, which is 0 here; success is told apart.
    QCOMPARE(content.loadMarker, 0);
    QVERIFY(!content.loadSucceeded);
    // The previous picture is gone.
    QVERIFY(content.picture.isNull());
    QVERIFY(!content.hasPicture());
    QCOMPARE(content.info, ImageInfo());
    QVERIFY(content.informationText.isEmpty());
}

void PictureLoaderTest::missingFileMarksListEntry()
{
    m_dir.writeFile(QStringLiteral("miss/a.bmp"), windowsBmp(QSize(2, 2), 0, 0));
    fillList(0,
        {QStringLiteral("miss/a.bmp"),
            QStringLiteral("miss/a.bmp"),
            QStringLiteral("miss/a.bmp"),
            QStringLiteral("miss/gone.jpg")});

    const PaneContent &content = m_document->pane(2);
    QCOMPARE(m_document->loadPicture(2, 1).value(), LoadOutcome::Loaded);
    QCOMPARE(m_document->loadPicture(2, 3).value(), LoadOutcome::MissingFile);

    QCOMPARE(content.loadMarker, 3);
    QVERIFY(!content.loadSucceeded);
    QVERIFY(content.missingFile);
    QVERIFY(content.picture.isNull());
    QCOMPARE(QSize(content.info.width, content.info.height), QSize(223, 30));
    QVERIFY(content.info.path.isEmpty());
    QVERIFY(content.info.typeText.isEmpty());
    QCOMPARE(content.info.fileSize, quint64(0));
    QCOMPARE(content.info.listIndex, 0);
    QVERIFY(content.informationText.isEmpty());

    const FileList &list = m_document->fileList(0);
    QCOMPARE(list.column(0, 3), QStringLiteral("ファイルがありません"));
    QVERIFY(list.column(1, 3).isEmpty());
    QVERIFY(list.column(2, 3).isEmpty());
    QVERIFY(list.column(3, 3).isEmpty());
    QCOMPARE(list.column(4, 3), QStringLiteral("1,234"));
    QCOMPARE(list.column(5, 3), QStringLiteral("640"));
    QCOMPARE(list.primary(3), QStringLiteral("0"));
    QCOMPARE(list.column(0, 2), QStringLiteral("a.bmp")); // neighbours untouched

    // Loading the marked entry again finds no file under its changed texts and stays missing.
    QCOMPARE(m_document->loadPicture(2, 3).value(), LoadOutcome::MissingFile);
    QCOMPARE(content.loadMarker, 3);
}

void PictureLoaderTest::undecodableFileLeavesListAlone()
{
    m_dir.writeFile(QStringLiteral("undec/x.gif"), QByteArray("GIF89a"));
    fillList(1, {QStringLiteral("undec/x.gif"), QStringLiteral("undec/x.gif")});
    const FileList::Entry before = m_document->fileList(1).entry(1);

    QCOMPARE(m_document->loadPicture(1, 1).value(), LoadOutcome::Undecodable);
    QCOMPARE(m_document->pane(1).loadMarker, 1);
    QVERIFY(!m_document->pane(1).loadSucceeded);
    QVERIFY(!m_document->pane(1).hasPicture());
    QCOMPARE(m_document->fileList(1).entry(1).columns, before.columns);
}

void PictureLoaderTest::refusesIndexOutsideList_data()
{
    QTest::addColumn<int>("pane");
    QTest::addColumn<int>("index");
    QTest::newRow("past the end") << 0 << 2;
    QTest::newRow("negative") << 2 << -1;
    QTest::newRow("other side's length") << 1 << 1;
    QTest::newRow("no such pane") << 4 << 0;
}

void PictureLoaderTest::refusesIndexOutsideList()
{
    QFETCH(int, pane);
    QFETCH(int, index);
    m_dir.writeFile(QStringLiteral("range/a.gif"), gif(QSize(2, 2)));
    fillList(0, {QStringLiteral("range/a.gif"), QStringLiteral("range/a.gif")});
    fillList(1, {QStringLiteral("range/a.gif")});
    // Every pane holds a good picture of entry 0 first: a refused load must leave them as they are.
    for (int p = 0; p < CDuovueDoc::PaneCount; ++p)
        QCOMPARE(m_document->loadPicture(p, 0).value(), LoadOutcome::Loaded);
    std::array<QString, CDuovueDoc::PaneCount> texts;
    for (int p = 0; p < CDuovueDoc::PaneCount; ++p)
        texts[p] = m_document->pane(p).informationText;

    const Result<LoadOutcome> outcome = m_document->loadPicture(pane, index);
    QVERIFY(!outcome.ok());
    QCOMPARE(outcome.error().code, Error::Code::InvalidArgument);
    for (int p = 0; p < CDuovueDoc::PaneCount; ++p) {
        QCOMPARE(m_document->pane(p).loadMarker, 0);
        QVERIFY(m_document->pane(p).loadSucceeded);
        QCOMPARE(m_document->pane(p).informationText, texts[p]);
    }
}

QTEST_GUILESS_MAIN(PictureLoaderTest)
#include "pictureloadertest.moc"
