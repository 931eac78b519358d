#include "pairtools/jpegmarkers.h"

#include <array>
#include <cstring>
#include <memory>

#include <QCoreApplication>

#include "core/blockreader.h"
#include "pairtools/progresspump.h"

namespace Duovue
{

namespace
{

constexpr unsigned char Soi = 0xD8;
constexpr unsigned char Eoi = 0xD9;
constexpr unsigned char Dqt = 0xDB;

const QString &indent()
{
    static const QString text(QChar(0x3000));
    return text;
}

std::array<QString, 256> makeDescriptions()
{
    std::array<QString, 256> d;
    const QString tem = QStringLiteral("(TEM)算術符号で用いられるテンポラリな私的使用");
    const QString res = QStringLiteral("(RES)リザーブ");
    d[0x01] = tem;
    d[0x02] = res;
    d[0xBF] = res;
    d[0xC0] = QStringLiteral("(SOF0)フレーム開始 非差分ハフマン符号 基本DCT方式");
    d[0xC1] = QStringLiteral("(SOF1)フレーム開始 非差分ハフマン符号 拡張シーケンシャルDCT方式");
    d[0xC2] = QStringLiteral("(SOF2)フレーム開始 非差分ハフマン符号 プログレッシブDCT方式");
    d[0xC3] = QStringLiteral("(SOF3)フレーム開始 非差分ハフマン符号 空間(シーケンシャル)可逆方式");
    d[0xC4] = QStringLiteral("(DHT)ハフマンテーブル定義");
    d[0xC5] = QStringLiteral("(SOF5)フレーム開始 差分ハフマン符号 差分シーケンシャルDCT方式");
    d[0xC6] = QStringLiteral("(SOF6)フレーム開始 差分ハフマン符号 差分プログレッシブDCT方式");
    d[0xC7] = QStringLiteral("(SOF7)フレーム開始 差分ハフマン符号 差分空間方式");
    d[0xC8] = QStringLiteral("(JPG)JPEG拡張のためのリザーブ");
    d[0xC9] = QStringLiteral("(SOF9)フレーム開始 非差分算術符号 拡張シーケンシャルDCT方式");
    d[0xCA] = QStringLiteral("(SOF10)フレーム開始 非差分算術符号 プログレッシブDCT方式");
    d[0xCB] = QStringLiteral("(SOF11)フレーム開始 非差分算術符号 空間(シーケンシャル)可逆方式");
    d[0xCC] = QStringLiteral("(DAC)算術符号化条件付け定義");
    d[0xCD] = QStringLiteral("(SOF13)フレーム開始 差分算術符号 差分シーケンシャルDCT方式");
    d[0xCE] = QStringLiteral("(SOF14)フレーム開始 差分算術符号 差分プログレッシブDCT方式");
    d[0xCF] = QStringLiteral("(SOF15)フレーム開始 差分算術符号 差分空間方式");
    d[0xD8] = QStringLiteral("(SOI)画像開始");
    d[0xD9] = QStringLiteral("(EOI)画像終了");
    d[0xDA] = QStringLiteral("(SOS)スキャン開始");
    d[0xDB] = QStringLiteral("(DQT)量子化テーブル定義");
    d[0xDC] = QStringLiteral("(DNL)ライン数定義");
    d[0xDD] = QStringLiteral("(DRI)リスタートインタバル定義");
    d[0xDE] = QStringLiteral("(DHP)ハイアラーキカル・プログレッション定義");
    d[0xDF] = QStringLiteral("(EXP)参照成分拡大");
    const QString app = QStringLiteral("(APPn)アプリケーションデータセグメント");
    for (int c = 0xE0; c <= 0xEF; ++c)
        d[c] = app;
    const QString jpg = QStringLiteral("(JPGn)JPEG拡張のためのリザーブ");
    for (int c = 0xF0; c <= 0xFD; ++c)
        d[c] = jpg;
    d[0xFE] = QStringLiteral("(COM)コメント");
    return d;
}

const std::array<QString, 256> &descriptions()
{
    static const std::array<QString, 256> table = makeDescriptions();
    return table;
}

const std::array<bool, 256> &hasRow()
{
    static const std::array<bool, 256> table = [] {
        std::array<bool, 256> t{};
        for (int c = 0; c < 256; ++c)
            t[c] = !descriptions()[c].isEmpty();
        return t;
    }();
    return table;
}

// One step of the nesting rule; returns whether the code gets a row and, in @p nested, whether
// its text is indented.
bool step(unsigned char code, qint64 &depth, bool &nested)
{
    if (code == Soi)
        ++depth;
    nested = depth > 1;
    const bool row = hasRow()[code];
    if (code == Eoi)
        --depth;
    return row;
}

} // namespace

QString MarkerRow::addressText() const
{
    return QStringLiteral("%1").arg(address, 8, 16, QLatin1Char('0')).toUpper();
}

QString MarkerRow::markerText() const
{
    return QStringLiteral("FF%1").arg(code, 2, 16, QLatin1Char('0')).toUpper();
}

QString MarkerRow::description() const
{
    QString text = JpegMarkers::codeDescription(code);
    if (quality > 0) {
        text += u' ';
        //: The estimated JPEG quality after a DQT marker's description: "(quality 75)", "(quality about 75)".
        text += QCoreApplication::translate("JpegMarkers", "(品質 %1)").arg(qualityEstimate().text());
    }
    return nested && !text.isEmpty() ? indent() + text : text;
}

namespace JpegMarkers
{

QString codeDescription(quint8 code)
{
    return descriptions()[code];
}

QString Describe(quint8 code, qint64 &nestingDepth)
{
    bool nested = false;
    if (!step(code, nestingDepth, nested))
        return QString();
    const QString &text = descriptions()[code];
    return nested ? indent() + text : text;
}

bool isJpegStart(QByteArrayView head)
{
    return head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0xFF
        && static_cast<unsigned char>(head[1]) == Soi;
}

void Scanner::candidate(quint64 address, unsigned char code)
{
    if (code == 0x00 || code == 0xFF)
        return;
    bool nested = false;
    if (!step(code, m_nestingDepth, nested))
        return;
    if (m_rows.size() >= JpegMarkers::MaxRows) {
        ++m_omitted;
        return;
    }
    m_rows.append(MarkerRow{address, code, nested});
    if (code == Dqt && m_openTables.size() < MaxOpenTables)
        m_openTables.push_back(OpenTable{m_rows.size() - 1, address + 2, 0, {}});
}

void Scanner::readTables(const unsigned char *data, size_t n)
{
    const quint64 blockEnd = m_offset + n;
    for (auto it = m_openTables.begin(); it != m_openTables.end();) {
        OpenTable &t = *it;
        bool whole = false;
        for (;;) {
            const auto have = quint64(t.bytes.size());
            const quint64 want = have < 2 ? 2 : t.length;
            if (have >= want) {
                whole = true;
                break;
            }
            const quint64 next = t.start + have;
            if (next >= blockEnd)
                break;
            const quint64 take = std::min(want - have, blockEnd - next);
            t.bytes.append(reinterpret_cast<const char *>(data + (next - m_offset)), qsizetype(take));
            if (t.bytes.size() == 2) {
                t.length = (quint32(quint8(t.bytes[0])) << 8) | quint8(t.bytes[1]);
                if (t.length < 2)
                    break;
            }
        }
        if (!whole && (t.bytes.size() < 2 || t.length >= 2)) {
            ++it;
            continue;
        }
        QList<JpegQuantTable> tables;
        if (whole && JpegQuality::parseDqt(QByteArrayView(t.bytes).sliced(2), tables)) {
            const JpegQualityEstimate estimate = JpegQuality::estimate(tables);
            m_rows[t.row].quality = quint8(estimate.quality);
            m_rows[t.row].exactQuality = estimate.exact;
        }
        it = m_openTables.erase(it);
    }
}

void Scanner::feed(const unsigned char *data, size_t n)
{
    if (n == 0)
        return;
    if (m_pendingFF) {
        m_pendingFF = false;
        candidate(m_offset - 1, data[0]);
    }
    // Most bytes are not 0xFF; memchr skips them at memory speed.
    const unsigned char *p = data;
    const unsigned char *const end = data + n;
    while (p < end) {
        const auto *ff = static_cast<const unsigned char *>(std::memchr(p, 0xFF, static_cast<size_t>(end - p)));
        if (!ff)
            break;
        if (ff + 1 == end) {
            m_pendingFF = true;
            break;
        }
        candidate(m_offset + static_cast<quint64>(ff - data), ff[1]);
        p = ff + 1;
    }
    if (!m_openTables.empty())
        readTables(data, n);
    m_offset += n;
}

QList<MarkerRow> ScanBytes(QByteArrayView bytes)
{
    Scanner scanner;
    scanner.feed(reinterpret_cast<const unsigned char *>(bytes.data()), static_cast<size_t>(bytes.size()));
    return scanner.takeRows();
}

Result<bool> IsJpegFile(const QString &path)
{
    BlockReader reader;
    if (Result<void> opened = reader.open(path); !opened)
        return errorNamingPath(path, opened.error());
    unsigned char head[2];
    const Result<size_t> n = reader.read(head, sizeof head);
    if (!n)
        return errorNamingPath(path, n.error());
    return isJpegStart(QByteArrayView(head, static_cast<qsizetype>(n.value())));
}

Result<MarkerScanResult> ScanFile(
    const QString &path, const std::atomic<bool> &abort, ProgressPump &pump, size_t blockSize)
{
    Q_ASSERT(blockSize > 0);
    BlockReader reader;
    if (Result<void> opened = reader.open(path); !opened)
        return errorNamingPath(path, opened.error());
    const auto buffer = std::make_unique_for_overwrite<unsigned char[]>(blockSize);
    Scanner scanner;
    MarkerScanResult result;
    for (;;) {
        pump.poll();
        if (abort.load(std::memory_order_relaxed)) {
            result.aborted = true;
            break;
        }
        const Result<size_t> n = reader.read(buffer.get(), blockSize);
        if (!n)
            return errorNamingPath(path, n.error());
        scanner.feed(buffer.get(), n.value());
        if (n.value() < blockSize)
            break;
    }
    result.omitted = scanner.omitted();
    result.rows = scanner.takeRows();
    return result;
}

QString NotJpegMessage(bool leftNotJpeg, bool rightNotJpeg, const QString &leftPath, const QString &rightPath)
{
    QString text;
    if (leftNotJpeg)
        text += QStringLiteral("左");
    if (rightNotJpeg)
        text += QStringLiteral("右");
    text += QStringLiteral("の画像はJPEGではありません。\r\n\r\n");
    if (leftNotJpeg)
        text += leftPath + QStringLiteral("\r\n");
    if (rightNotJpeg)
        text += rightPath;
    return text;
}

} // namespace JpegMarkers

} // namespace Duovue
