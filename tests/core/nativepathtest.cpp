#include <QTest>

#include "core/nativepath.h"

using namespace Duovue;

class NativePathTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Every byte string a directory can hold comes back as the same bytes, and shows each byte
    // that is not UTF-8 as "\xNN".
    void roundTripsEveryName_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("ASCII") << QByteArray("/p/a.jpg") << QStringLiteral("/p/a.jpg");
        QTest::newRow("UTF-8") << QByteArray("/p/\xe5\x86\x99\xe7\x9c\x9f.jpg") << QStringLiteral("/p/写真.jpg");
        QTest::newRow("four-byte UTF-8") << QByteArray("\xf0\x9f\x93\xb7.jpg") << QStringLiteral("📷.jpg");
        QTest::newRow("Shift-JIS") << QByteArray("/p/\x83\x65\x83\x58\x83\x67.jpg")
                                   << QStringLiteral("/p/\\x83e\\x83X\\x83g.jpg");
        QTest::newRow("lone continuation byte") << QByteArray("a\x80") << QStringLiteral("a\\x80");
        QTest::newRow("overlong slash") << QByteArray("a\xc0\xaf") << QStringLiteral("a\\xc0\\xaf");
        QTest::newRow("encoded surrogate") << QByteArray("\xed\xb2\x83") << QStringLiteral("\\xed\\xb2\\x83");
        QTest::newRow("cut sequence") << QByteArray("\xe5\x86") << QStringLiteral("\\xe5\\x86");
        QTest::newRow("beyond U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << QStringLiteral("\\xf4\\x90\\x80\\x80");
        QTest::newRow("valid after invalid") << QByteArray("\xff\xe5\x86\x99") << QStringLiteral("\\xff写");
    }

    void roundTripsEveryName()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        const QString text = NativePath::decode(bytes);
        QCOMPARE(NativePath::encode(text), bytes);
        QCOMPARE(NativePath::display(text), shown);
        QCOMPARE(NativePath::hasRawBytes(text), shown.contains(QLatin1String("\\x")));
    }
};

QTEST_GUILESS_MAIN(NativePathTest)
#include "nativepathtest.moc"
