#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include "support/imagingfactory.h"
#include "support/testdir.h"

using namespace Duovue;
using namespace Duovue::Test::ImagingFactory;

class ProbeCommandTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void reportsEachFile_data();
    void reportsEachFile();

private:
    struct Run {
        int exitCode = -1;
        QString out;
    };
    static Run probe(const QStringList &args)
    {
        QProcess process;
        process.start(QStringLiteral(DUOVUE_CLI_PATH), QStringList{QStringLiteral("probe")} + args);
        if (!process.waitForFinished(60000))
            return {};
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput())};
    }
};

void ProbeCommandTest::reportsEachFile_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("Exif JPEG and GIF") << QStringList{QStringLiteral("exif.jpg"), QStringLiteral("anim.gif")} << 0
                                       << QStringList{QStringLiteral("type:        JPEG(Exif)"),
                                              QStringLiteral("exif:        yes"),
                                              QStringLiteral("resolution:  71 x 71 dpi"),
                                              QStringLiteral("size:        40 x 30"),
                                              QStringLiteral("\u3000解像度:\u3000\u3000\u3000\u3000\u3000 71 x 71 dpi"),
                                              QStringLiteral("type:        GIF(89a 4)"),
                                              QStringLiteral("bit depth:   2"),
                                              QStringLiteral("\u3000画像サイズ:\u3000\u3000  6 x 5 ピクセル")};
    QTest::newRow("a failure among good files")
        << QStringList{QStringLiteral("os2.bmp"), QStringLiteral("broken.jpg"), QStringLiteral("missing.gif")} << 1
        << QStringList{QStringLiteral("type:        BMP(OS/2)"),
               QStringLiteral(
                   "type:        JPEG(JFIF)\n  exif:        no\n  bit depth:   24\n  resolution:  72 x 72 dpi\n"
                   "  error:       cannot be decoded"),
               QStringLiteral("missing.gif\n  error:       no such file")};
    QTest::newRow("no file") << QStringList() << 2 << QStringList();
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--deep"), QStringLiteral("os2.bmp")} << 2
                                    << QStringList();
}

void ProbeCommandTest::reportsEachFile()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, expected);

    Test::TestDir dir;
    dir.writeFile(QStringLiteral("exif.jpg"),
        replaceApp0(encodedJpeg(QSize(40, 30)), exifSegment(tiff(false, resolutionEntries(28, 28, 3)))));
    dir.writeFile(QStringLiteral("anim.gif"), gif(QSize(6, 5), "89a", 2, 2));
    dir.writeFile(QStringLiteral("os2.bmp"), os2Bmp(QSize(3, 3)));
    dir.writeFile(QStringLiteral("broken.jpg"), encodedJpeg(QSize(40, 30)).left(20));
    QStringList paths;
    for (const QString &f : files)
        paths.append(f.startsWith(u'-') ? f : dir.filePath(f));

    const Run run = probe(paths);
    QTEST(run.exitCode, "exitCode");
    for (const QString &text : expected)
        QVERIFY2(run.out.contains(text), qPrintable(run.out));
}

QTEST_GUILESS_MAIN(ProbeCommandTest)
#include "probecommandtest.moc"
