#include <csignal>
#include <cstdlib>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QtEndian>

#include "compose/compositefile.h"
#include "support/testdir.h"

extern "C" {
#include <jpeglib.h>
}

using namespace Duovue;

Q_DECLARE_METATYPE(Duovue::CompositeMethod)
Q_DECLARE_METATYPE(Duovue::CompositeFileType)

class CompositeFileTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void fileTypeFollowsName_data();
    void fileTypeFollowsName();
    void bmpRowsArePaddedBottomUp();
    void jpegStartsWithProgramHeader_data();
    void jpegStartsWithProgramHeader();
    void failedSaveLeavesNoFile_data();
    void failedSaveLeavesNoFile();
    void commandLineSavesWhatWindowSaves_data();
    void commandLineSavesWhatWindowSaves();
};

namespace
{

// A picture with some detail, so that its JPEG is larger than a few blocks.
QImage pattern(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb((x * 7) & 255, (y * 5) & 255, ((x ^ y) * 3) & 255));
    return image;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What libjpeg writes for these pixels with the settings of a saved composite, made here
// independently of the code under test.
QByteArray referenceJpeg(const QImage &image, int quality)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(image.width());
    cinfo.image_height = JDIMENSION(image.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    QByteArray row(image.width() * 3, '\0');
    while (cinfo.next_scanline < cinfo.image_height) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, int(cinfo.next_scanline));
            row[x * 3] = char(qRed(p));
            row[x * 3 + 1] = char(qGreen(p));
            row[x * 3 + 2] = char(qBlue(p));
        }
        auto *rowPointer = reinterpret_cast<JSAMPROW>(row.data());
        jpeg_write_scanlines(&cinfo, &rowPointer, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray out(reinterpret_cast<const char *>(buffer), qsizetype(size));
    std::free(buffer);
    return out;
}

// Saves in a child process whose files may not grow past @p limit bytes, as a full disk would
// stop it; returns the child's exit status: 0 saved, 1 failed.
int saveWithFileSizeLimit(const QImage &image, const QString &path, rlim_t limit)
{
    const pid_t pid = fork();
    if (pid == 0) {
        // A write past the limit then fails with EFBIG instead of killing the process.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit rl{limit, limit};
        setrlimit(RLIMIT_FSIZE, &rl);
        _exit(SaveComposite(image, path, CompositeMethod::Rows, 95).ok() ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

void CompositeFileTest::fileTypeFollowsName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<CompositeFileType>("type");
    QTest::newRow("bmp") << QStringLiteral("/p/合成.bmp") << CompositeFileType::Bmp;
    QTest::newRow("upper case BMP") << QStringLiteral("/p/A.BMP") << CompositeFileType::Bmp;
    QTest::newRow("JPEG in capitals") << QStringLiteral("/p/a.JPEG") << CompositeFileType::Jpeg;
    QTest::newRow("png is refused") << QStringLiteral("/p/a.png") << CompositeFileType::Unsupported;
    QTest::newRow("no extension") << QStringLiteral("/p/合成") << CompositeFileType::Jpeg;
    QTest::newRow("only the last dot counts") << QStringLiteral("/p/a.bmp.jpg") << CompositeFileType::Jpeg;
    QTest::newRow("folder name does not count") << QStringLiteral("/p.bmp/a") << CompositeFileType::Jpeg;
}

void CompositeFileTest::fileTypeFollowsName()
{
    QFETCH(QString, path);
    QTEST(CompositeFileTypeFor(path), "type");
}

void CompositeFileTest::bmpRowsArePaddedBottomUp()
{
    const QImage image = pattern(QSize(401, 3));
    Test::TestDir dir;
    const QString path = dir.filePath(QStringLiteral("a.bmp"));
    QVERIFY(SaveComposite(image, path, CompositeMethod::Dots, 95).ok());
    const QByteArray bmp = readAll(path);

    const int stride = 1204; // 401 x 3 = 1203 bytes, padded to a multiple of 4
    QCOMPARE(bmp.size(), 54 + stride * 3);
    const auto *h = reinterpret_cast<const uchar *>(bmp.constData());
    QCOMPARE(bmp.left(2), QByteArray("BM"));
    QCOMPARE(qFromLittleEndian<quint32>(h + 2), quint32(bmp.size()));
    QCOMPARE(qFromLittleEndian<quint32>(h + 10), 54u);
    QCOMPARE(qFromLittleEndian<quint32>(h + 14), 40u);
    QCOMPARE(qFromLittleEndian<qint32>(h + 18), 401);
    QCOMPARE(qFromLittleEndian<qint32>(h + 22), 3);
    QCOMPARE(qFromLittleEndian<quint16>(h + 28), quint16(24));
    QCOMPARE(qFromLittleEndian<quint32>(h + 38), 3780u);
    // The file's first row is the picture's bottom row, blue first; the padding byte is zero.
    for (int fileRow = 0; fileRow < 3; ++fileRow) {
        const uchar *row = h + 54 + fileRow * stride;
        const QRgb last = image.pixel(400, 2 - fileRow);
        QCOMPARE(row[1200], uchar(qBlue(last)));
        QCOMPARE(row[1201], uchar(qGreen(last)));
        QCOMPARE(row[1202], uchar(qRed(last)));
        QCOMPARE(row[1203], uchar(0));
    }
    QCOMPARE(QImage(path).convertToFormat(QImage::Format_RGB32), image);
}

void CompositeFileTest::jpegStartsWithProgramHeader_data()
{
    QTest::addColumn<CompositeMethod>("method");
    QTest::addColumn<QString>("name");
    QTest::newRow("rows") << CompositeMethod::Rows << QStringLiteral("a.jpg");
    QTest::newRow("columns, no extension") << CompositeMethod::Columns << QStringLiteral("合成");
    QTest::newRow("dots, capitals") << CompositeMethod::Dots << QStringLiteral("a.JPG");
}

void CompositeFileTest::jpegStartsWithProgramHeader()
{
    QFETCH(CompositeMethod, method);
    QFETCH(QString, name);
    const QImage image = pattern(QSize(123, 77));
    Test::TestDir dir;
    // Saving over an existing file replaces it, and keeps its permissions.
    const QString path = dir.writeFile(name, QByteArray(100000, 'x'));
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0440) == 0);
    QVERIFY(SaveComposite(image, path, method, 80).ok());
    const QByteArray jpeg = readAll(path);
    struct stat st {
    };
    QVERIFY(::stat(QFile::encodeName(path).constData(), &st) == 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0440));

    // SOI; APP0 "JFIF" 1.01, dots per inch, 96 x 96, no thumbnail; APP12 "Duovue120", 0, method, 0.
    const QByteArray header = QByteArray::fromHex("FFD8 FFE0 0010 4A46494600 0101 01 0060 0060 0000 "
                                                  "FFEC 000E 44756F7675653132300000 00")
                                  .replace(34, 1, QByteArray(1, char(int(method))));
    QCOMPARE(jpeg.left(36), header);
    const QByteArray encoded = referenceJpeg(image, 80);
    QCOMPARE(jpeg.size(), encoded.size() + 16);
    QVERIFY(jpeg.mid(36) == encoded.mid(20));
    QCOMPARE(QImage::fromData(jpeg).size(), image.size());
}

void CompositeFileTest::failedSaveLeavesNoFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("fileSizeLimit"); // 0: none
    // Made before the save: "folder" a folder in the way of the target, "file" a file in the way
    // of the target's folder, "fifo" a pipe at the target, "none" nothing, anything else an old
    // file at the target.
    QTest::addColumn<QString>("obstacle");
    QTest::newRow("missing folder is not made")
        << QStringLiteral("x/a.jpg") << QSize(50, 50) << 0 << QStringLiteral("none");
    QTest::newRow("png name") << QStringLiteral("a.png") << QSize(50, 50) << 0 << QStringLiteral("old");
    QTest::newRow("pipe is not replaced") << QStringLiteral("a.jpg") << QSize(50, 50) << 0 << QStringLiteral("fifo");
    QTest::newRow("parent is a file") << QStringLiteral("x/a.jpg") << QSize(50, 50) << 0 << QStringLiteral("file");
    QTest::newRow("target is a folder") << QStringLiteral("a.bmp") << QSize(50, 50) << 0 << QStringLiteral("folder");
    QTest::newRow("disk full, JPEG") << QStringLiteral("a.jpg") << QSize(300, 200) << 4096 << QStringLiteral("old");
    QTest::newRow("disk full, BMP") << QStringLiteral("a.bmp") << QSize(300, 200) << 4096 << QStringLiteral("old");
    // JPEG allows at most 65500 pixels a side; libjpeg's own error handler would end the process.
    QTest::newRow("encoder error") << QStringLiteral("a.jpg") << QSize(65501, 1) << 0 << QStringLiteral("old");
}

void CompositeFileTest::failedSaveLeavesNoFile()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QFETCH(int, fileSizeLimit);
    QFETCH(QString, obstacle);
    Test::TestDir dir;
    const QByteArray old("the old file, whole");
    if (obstacle == QLatin1String("file"))
        dir.writeFile(QStringLiteral("x"), old);
    else if (obstacle == QLatin1String("folder"))
        dir.makeDir(name);
    else if (obstacle == QLatin1String("fifo"))
        QVERIFY(::mkfifo(QFile::encodeName(dir.filePath(name)).constData(), 0644) == 0);
    else if (obstacle != QLatin1String("none"))
        dir.writeFile(name, old);
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    const QString path = dir.filePath(name);
    const QImage image = pattern(size);

    if (fileSizeLimit > 0)
        QCOMPARE(saveWithFileSizeLimit(image, path, rlim_t(fileSizeLimit)), 1);
    else
        QVERIFY(!SaveComposite(image, path, CompositeMethod::Rows, 95).ok());

    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
    if (obstacle == QLatin1String("file"))
        QCOMPARE(readAll(dir.filePath(QStringLiteral("x"))), old);
    else if (obstacle == QLatin1String("folder"))
        QVERIFY(QDir(path).isEmpty());
    else if (obstacle == QLatin1String("fifo"))
        QVERIFY(QFileInfo(path).isFile() == false && QFileInfo::exists(path));
    else if (obstacle != QLatin1String("none"))
        QCOMPARE(readAll(path), old);
}

void CompositeFileTest::commandLineSavesWhatWindowSaves_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("out");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("error"); // what stderr says after "duovue-cli compose: "
    QTest::newRow("rows, JPEG") << QStringList{QStringLiteral("--method"), QStringLiteral("rows")}
                                << QStringLiteral("c.jpg") << 0 << QSize(80, 60) << QString();
    QTest::newRow("dots 3, original, BMP") << QStringList{QStringLiteral("--method"),
        QStringLiteral("dots"),
        QStringLiteral("--ratio"),
        QStringLiteral("3"),
        QStringLiteral("--aspect"),
        QStringLiteral("original"),
        QStringLiteral("--max"),
        QStringLiteral("40x40")} << QStringLiteral("c.BMP")
                                           << 0 << QSize(40, 30) << QString();
    QTest::newRow("ratio out of range") << QStringList{QStringLiteral("--method"),
        QStringLiteral("rows"),
        QStringLiteral("--ratio"),
        QStringLiteral("6")} << QStringLiteral("c.jpg")
                                        << 2 << QSize() << QString();
    QTest::newRow("no method") << QStringList() << QStringLiteral("c.jpg") << 2 << QSize() << QString();
    const QStringList rows{QStringLiteral("--method"), QStringLiteral("rows")};
    QTest::newRow("png name") << rows << QStringLiteral("c.png") << 1 << QSize()
                              << QStringLiteral("OUT: a composite is saved only as JPEG (.jpg, .jpeg) or BMP (.bmp)");
    QTest::newRow("missing folder") << rows << QStringLiteral("nowhere/c.jpg") << 1 << QSize()
                                    << QStringLiteral("OUT: ") + qt_error_string(ENOENT);
    QTest::newRow("file-size limit") << rows << QStringLiteral("big.jpg") << 1 << QSize()
                                     << QStringLiteral("OUT: ") + qt_error_string(EFBIG);
    QTest::newRow("unreadable picture, named once")
        << rows << QStringLiteral("c.jpg") << 1 << QSize() << QStringLiteral("RIGHT: not a JPEG, BMP or GIF picture");
}

void CompositeFileTest::commandLineSavesWhatWindowSaves()
{
    QFETCH(QStringList, options);
    QFETCH(QString, out);
    QFETCH(int, exitCode);
    QFETCH(QSize, size);
    QFETCH(QString, error);
    Test::TestDir dir;
    const QString left = dir.filePath(QStringLiteral("left.bmp"));
    const QString right = dir.filePath(QStringLiteral("right.bmp"));
    QVERIFY(pattern(QSize(80, 60)).save(left));
    QVERIFY(pattern(QSize(50, 70)).mirrored().save(right));
    if (error.startsWith(QLatin1String("RIGHT")))
        dir.writeFile(QStringLiteral("right.bmp"), "not a picture");

    QProcess cli;
    // A composite larger than this is ended by SIGXFSZ unless the program ignores it.
    if (out == QLatin1String("big.jpg")) {
        cli.setChildProcessModifier([] {
            const rlimit limit{1024, 1024};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
    }
    cli.start(QStringLiteral(DUOVUE_CLI_PATH),
        QStringList{QStringLiteral("compose")} + options + QStringList{left, right, dir.filePath(out)});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), exitCode);
    QCOMPARE(QFile::exists(dir.filePath(out)), exitCode == 0);
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("nowhere"))));
    if (!error.isEmpty()) {
        error.replace(QLatin1String("OUT"), dir.filePath(out)).replace(QLatin1String("RIGHT"), right);
        QCOMPARE(QString::fromUtf8(cli.readAllStandardError()), QStringLiteral("duovue-cli compose: ") + error + u'\n');
    }
    if (exitCode == 0)
        QCOMPARE(QImage(dir.filePath(out)).size(), size);
}

QTEST_GUILESS_MAIN(CompositeFileTest)
#include "compositefiletest.moc"
