#include <QImageReader>
#include <QStandardPaths>
#include <QTest>

#include "support/clirun.h"
#include "support/testdir.h"

using namespace Duovue;

namespace
{

/// A 40 x 30 picture of smooth colours, lossless as BMP.
QImage leftPicture()
{
    QImage image(40, 30, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 6, y * 8, 100));
    return image;
}

/// @p picture with @p delta added to the green channel inside @p area.
QImage changed(QImage picture, const QRect &area, int delta)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = picture.pixel(x, y);
            picture.setPixel(x, y, qRgb(qRed(p), qGreen(p) + delta, qBlue(p)));
        }
    return picture;
}

} // namespace

// Runs the real duovue-cli binary, whose path the build passes in.
class DiffCommandTest : public QObject
{
    Q_OBJECT

private:
    static Test::CliRun cli(const QStringList &args, const QString &folder = QString())
    {
        return Test::runCli(QStringLiteral(DUOVUE_CLI_PATH), QStringList{QStringLiteral("diff")} + args, folder);
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void answersLikeBindiff_data()
    {
        QTest::addColumn<QImage>("right");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("lines");
        const QImage left = leftPicture();
        QTest::newRow("same") << left << QStringList() << 0
                              << QStringList{QStringLiteral("differing pixels: 0 of 1200 (0.0000%)")};
        const QImage twoAreas = changed(changed(left, QRect(5, 5, 3, 2), 1), QRect(20, 10, 4, 4), 40);
        QTest::newRow("two areas") << twoAreas << QStringList{QStringLiteral("--regions")} << 1
                                   << QStringList{QStringLiteral("differing pixels: 22 of 1200 (1.8333%)"),
                                          QStringLiteral("regions: 2"),
                                          QStringLiteral("  20 10 4 4"),
                                          QStringLiteral("  5 5 3 2")};
        QTest::newRow("tolerance 1 keeps a change of 1")
            << twoAreas << QStringList{QStringLiteral("--tolerance"), QStringLiteral("1"), QStringLiteral("--regions")}
            << 1
            << QStringList{QStringLiteral("differing pixels: 16 of 1200 (1.3333%)"),
                   QStringLiteral("regions: 1"),
                   QStringLiteral("  20 10 4 4")};
        QTest::newRow("tolerance 39") << twoAreas << QStringList{QStringLiteral("--tolerance"), QStringLiteral("39")}
                                      << 1 << QStringList{QStringLiteral("differing pixels: 16 of 1200 (1.3333%)")};
        QTest::newRow("tolerance 40") << twoAreas << QStringList{QStringLiteral("--tolerance"), QStringLiteral("40")}
                                      << 0 << QStringList{QStringLiteral("differing pixels: 0 of 1200 (0.0000%)")};
        QImage small(20, 15, QImage::Format_RGB32);
        small.fill(qRgb(30, 60, 90));
        QTest::newRow("sizes differ") << small << QStringList() << 1
                                      << QStringList{QStringLiteral("sizes differ: 40x30 and 20x15")};
        QTest::newRow("fit, same size") << left << QStringList{QStringLiteral("--fit")} << 0
                                        << QStringList{QStringLiteral("differing pixels: 0 of 1200 (0.0000%)")};
    }

    void answersLikeBindiff()
    {
        QFETCH(QImage, right);
        QFETCH(QStringList, options);
        QFETCH(int, code);
        QFETCH(QStringList, lines);
        Test::TestDir dir;
        QVERIFY(leftPicture().save(dir.filePath(QStringLiteral("l.bmp")), "BMP"));
        QVERIFY(right.save(dir.filePath(QStringLiteral("r.bmp")), "BMP"));
        const Test::CliRun run =
            cli(options + QStringList{dir.filePath(QStringLiteral("l.bmp")), dir.filePath(QStringLiteral("r.bmp"))});
        QCOMPARE(run.lines(), lines);
        QCOMPARE(run.exitCode, code);
    }

    void fitScalesTheRightPicture()
    {
        Test::TestDir dir;
        QImage left(40, 30, QImage::Format_RGB32);
        left.fill(qRgb(30, 60, 90));
        QImage right(20, 15, QImage::Format_RGB32);
        right.fill(qRgb(30, 60, 90));
        QVERIFY(left.save(dir.filePath(QStringLiteral("l.bmp")), "BMP"));
        QVERIFY(right.save(dir.filePath(QStringLiteral("r.bmp")), "BMP"));
        const Test::CliRun run = cli(
            {QStringLiteral("--fit"), dir.filePath(QStringLiteral("l.bmp")), dir.filePath(QStringLiteral("r.bmp"))});
        QCOMPARE(run.lines(),
            QStringList({QStringLiteral("right scaled from 20x15 to 40x30"),
                QStringLiteral("differing pixels: 0 of 1200 (0.0000%)")}));
        QCOMPARE(run.exitCode, 0);
    }

    void maskMarksDifferingPixelsRed()
    {
        Test::TestDir dir;
        const QImage left = leftPicture();
        const QRect area(10, 3, 5, 6);
        QVERIFY(left.save(dir.filePath(QStringLiteral("l.bmp")), "BMP"));
        QVERIFY(changed(left, area, 2).save(dir.filePath(QStringLiteral("r.bmp")), "BMP"));
        const QString mask = dir.filePath(QStringLiteral("mask.png"));
        const QStringList args{QStringLiteral("--mask"),
            mask,
            dir.filePath(QStringLiteral("l.bmp")),
            dir.filePath(QStringLiteral("r.bmp"))};
        QCOMPARE(cli(args).exitCode, 1);
        QImageReader reader(mask);
        QCOMPARE(reader.format(), QByteArray("png"));
        const QImage written = reader.read().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(written.size(), left.size());
        for (int y = 0; y < left.height(); ++y) {
            for (int x = 0; x < left.width(); ++x) {
                const QRgb p = written.pixel(x, y);
                if (area.contains(x, y))
                    QCOMPARE(p, qRgb(255, 0, 0));
                else
                    QVERIFY(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p));
            }
        }
    }

    void troubleIsTwo_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("missing file") << QStringList{QStringLiteral("l.bmp"), QStringLiteral("gone.bmp")};
        QTest::newRow("not a picture") << QStringList{QStringLiteral("l.bmp"), QStringLiteral("text.bmp")};
        QTest::newRow("one picture") << QStringList{QStringLiteral("l.bmp")};
        QTest::newRow("tolerance 256") << QStringList{
            QStringLiteral("--tolerance"), QStringLiteral("256"), QStringLiteral("l.bmp"), QStringLiteral("l.bmp")};
        QTest::newRow("mask into a missing folder") << QStringList{
            QStringLiteral("--mask"), QStringLiteral("no/m.png"), QStringLiteral("l.bmp"), QStringLiteral("l.bmp")};
    }

    void troubleIsTwo()
    {
        QFETCH(QStringList, args);
        Test::TestDir dir;
        QVERIFY(leftPicture().save(dir.filePath(QStringLiteral("l.bmp")), "BMP"));
        dir.writeFile(QStringLiteral("text.bmp"), "plain text");
        const Test::CliRun run = cli(args, dir.path());
        QCOMPARE(run.exitCode, 2);
        QVERIFY(!run.err.isEmpty());
    }
};

QTEST_GUILESS_MAIN(DiffCommandTest)
#include "diffcommandtest.moc"
