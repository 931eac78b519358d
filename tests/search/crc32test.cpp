#include <random>

#include <QTest>

#include "search/crc32.h"

using namespace Duovue;

class Crc32Test : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void knownValues_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("key");
        QTest::newRow("check value") << QByteArray("123456789") << QStringLiteral("CBF43926");
        QTest::newRow("no bytes") << QByteArray() << QStringLiteral("00000000");
        QTest::newRow("one zero byte") << QByteArray(1, '\0') << QStringLiteral("D202EF8D");
        QTest::newRow("leading zero digit") << QByteArray("a") << QStringLiteral("E8B7BE43");
        QTest::newRow("long text") << QByteArray(
            "The quick brown fox jumps over the lazy dog. The quick brown fox jumps over the lazy dog.")
                                   << QStringLiteral("9AE90AA7");
    }

    void knownValues()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, key);
        QCOMPARE(Crc32::keyText(Crc32::of(data)), key);
    }

    void keyTextKeepsLeadingZeros() { QCOMPARE(Crc32::keyText(0x00ABCDEFu), QStringLiteral("00ABCDEF")); }

    // The folding path handles 64-byte blocks and 16-byte steps; every length and alignment around
    // those edges must give what the byte-wise table gives.
    void fastPathMatchesTable()
    {
        std::mt19937 rng(3);
        QByteArray data(700, '\0');
        for (char &c : data)
            c = static_cast<char>(rng());
        const auto *bytes = reinterpret_cast<const unsigned char *>(data.constData());
        for (int offset = 0; offset < 4; ++offset) {
            for (int length = 0; length <= 600; ++length) {
                const std::uint32_t table = ~Crc32::updateTable(0xFFFFFFFFu, bytes + offset, std::size_t(length));
                QCOMPARE(Crc32::of(bytes + offset, std::size_t(length)), table);
            }
        }
    }

    void updateInPiecesEqualsOneShot()
    {
        std::mt19937 rng(5);
        QByteArray data(100000, '\0');
        for (char &c : data)
            c = static_cast<char>(rng());
        Crc32 crc;
        qsizetype at = 0;
        for (int piece : {1, 63, 64, 65, 1000, 4096, 17, 100000}) {
            const qsizetype n = std::min<qsizetype>(piece, data.size() - at);
            crc.update(data.constData() + at, std::size_t(n));
            at += n;
        }
        QCOMPARE(at, data.size());
        QCOMPARE(crc.value(), Crc32::of(data));
    }
};

QTEST_GUILESS_MAIN(Crc32Test)
#include "crc32test.moc"
