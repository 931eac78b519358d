#include "pairtools/binarycompare.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>

#include <QCoreApplication>

#include "core/blockreader.h"
#include "lists/textformats.h"
#include "pairtools/progresspump.h"

namespace Duovue
{

namespace
{

constexpr int LineBytes = 16;

std::uint64_t load64(const unsigned char *p)
{
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Index of the first position where @p a and @p b differ, or @p n when they are equal. Equal data
// goes through memcmp, which is as fast as the machine allows; only the 4 KiB stretch holding the
// difference is searched word by word.
size_t firstMismatch(const unsigned char *a, const unsigned char *b, size_t n)
{
    if (std::memcmp(a, b, n) == 0)
        return n;
    constexpr size_t Stretch = 4096;
    size_t i = 0;
    while (n - i > Stretch && std::memcmp(a + i, b + i, Stretch) == 0)
        i += Stretch;
    if constexpr (std::endian::native == std::endian::little) {
        for (; i + 8 <= n; i += 8) {
            const std::uint64_t x = load64(a + i) ^ load64(b + i);
            if (x != 0)
                return i + static_cast<size_t>(std::countr_zero(x)) / 8;
        }
    }
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}

// Number of positions from the start where @p a and @p b differ, up to @p n.
size_t differingPrefix(const unsigned char *a, const unsigned char *b, size_t n)
{
    constexpr std::uint64_t Ones = 0x0101010101010101ULL;
    constexpr std::uint64_t Highs = 0x8080808080808080ULL;
    size_t i = 0;
    // Eight bytes at a time while none of the eight is equal (no zero byte in the XOR).
    for (; i + 8 <= n; i += 8) {
        const std::uint64_t x = load64(a + i) ^ load64(b + i);
        if (((x - Ones) & ~x & Highs) != 0)
            break;
    }
    while (i < n && a[i] != b[i])
        ++i;
    return i;
}

QString runText(const QByteArray &bytes, quint64 count)
{
    QString text;
    text.reserve((bytes.size() / LineBytes + 2) * 68);
    for (qsizetype i = 0; i < bytes.size(); i += LineBytes)
        text += HexLine(QByteArrayView(bytes).sliced(i, std::min<qsizetype>(LineBytes, bytes.size() - i)));
    const quint64 kept = static_cast<quint64>(bytes.size());
    if (count > kept)
        text += QStringLiteral("（以下 %1 バイトは表示を省略しました）\r\r\n").arg(FormatFileSize(count - kept));
    return text;
}

} // namespace

QString HexLine(QByteArrayView bytes)
{
    Q_ASSERT(bytes.size() <= LineBytes);
    static constexpr char16_t Digits[] = u"0123456789ABCDEF";
    const qsizetype n = std::min<qsizetype>(bytes.size(), LineBytes);
    QString line;
    line.reserve(LineBytes * 3 + 1 + LineBytes + 3);
    for (qsizetype i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (i > 0)
            line += QLatin1Char(' ');
        line += QChar(Digits[b >> 4]);
        line += QChar(Digits[b & 15]);
    }
    line += QChar(0x3000);
    for (qsizetype i = n; i < LineBytes; ++i)
        line += QLatin1String("   ");
    for (qsizetype i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        // DEL and the C1 controls are no characters to show: drawn raw they are boxes, or nothing,
        // and the columns after them shift.
        const bool shown = b >= 0x21 && (b < 0x7F || b > 0x9F);
        line += shown ? QChar(char16_t(b)) : QChar(u'.');
    }
    line += QLatin1String("\r\r\n");
    return line;
}

QString OffsetText(quint64 offset)
{
    return QStringLiteral("%1").arg(offset, 8, 16, QLatin1Char('0')).toUpper();
}

BinaryComparison::Outcome BinaryComparison::outcome() const
{
    if (!runs.isEmpty())
        return Outcome::Differences;
    if (aborted)
        return Outcome::Aborted;
    return leftSize == rightSize ? Outcome::Identical : Outcome::LengthsDiffer;
}

QString NoRunsMessage(const BinaryComparison &comparison)
{
    switch (comparison.outcome()) {
    case BinaryComparison::Outcome::Identical:
        return QStringLiteral("相違点はありませんでした。\r\n\r\n同じ画像です。");
    case BinaryComparison::Outcome::LengthsDiffer:
        return QStringLiteral("共通部分に相違点はありませんでしたが、ファイルサイズが異なります。\r\n\r\n"
                              "左の画像: %1 byte\r\n右の画像: %2 byte")
            .arg(FormatFileSize(comparison.leftSize), FormatFileSize(comparison.rightSize));
    case BinaryComparison::Outcome::Aborted:
        return QStringLiteral("比較を中止しました。\r\n\r\n中止までに相違点は見つかりませんでした。");
    case BinaryComparison::Outcome::Differences:
        break;
    }
    return QString();
}

bool BinaryComparer::feed(const unsigned char *left, const unsigned char *right, size_t n)
{
    Q_ASSERT(!limitReached());
    size_t i = 0;
    while (i < n) {
        if (!m_inRun) {
            i += firstMismatch(left + i, right + i, n - i);
            if (i == n)
                break;
            m_inRun = true;
            m_start = m_offset + i;
            m_count = 0;
            m_left.clear();
            m_right.clear();
        }
        const size_t d = differingPrefix(left + i, right + i, n - i);
        const auto room = static_cast<size_t>(MaxTextBytes - m_left.size());
        const auto kept = static_cast<qsizetype>(std::min(d, room));
        m_left.append(reinterpret_cast<const char *>(left + i), kept);
        m_right.append(reinterpret_cast<const char *>(right + i), kept);
        m_count += d;
        i += d;
        if (i < n) {
            closeRun(m_offset + i - 1);
            if (limitReached()) {
                m_offset += i;
                return false;
            }
        }
    }
    m_offset += n;
    return true;
}

void BinaryComparer::finish()
{
    if (m_inRun)
        closeRun(m_offset - 1);
}

void BinaryComparer::closeRun(quint64 end)
{
    m_inRun = false;
    DifferenceRun run;
    run.start = m_start;
    run.end = end;
    run.count = m_count;
    run.leftText = runText(m_left, m_count);
    run.rightText = runText(m_right, m_count);
    m_runs.append(std::move(run));
    m_left.clear();
    m_right.clear();
}

BinaryComparison CompareBytes(QByteArrayView left, QByteArrayView right)
{
    BinaryComparer comparer;
    const auto common = static_cast<size_t>(std::min(left.size(), right.size()));
    BinaryComparison result;
    if (comparer.feed(reinterpret_cast<const unsigned char *>(left.data()),
            reinterpret_cast<const unsigned char *>(right.data()),
            common))
        comparer.finish();
    result.runLimitReached = comparer.limitReached();
    result.runs = comparer.takeRuns();
    result.leftSize = static_cast<quint64>(left.size());
    result.rightSize = static_cast<quint64>(right.size());
    return result;
}

Result<BinaryComparison> CompareFiles(
    const QString &left, const QString &right, const std::atomic<bool> &abort, ProgressPump &pump, size_t blockSize)
{
    Q_ASSERT(blockSize > 0);
    BlockReader readers[2];
    const QString paths[2] = {left, right};
    for (int side = 0; side < 2; ++side) {
        if (Result<void> opened = readers[side].open(paths[side]); !opened)
            return errorNamingPath(paths[side], opened.error());
    }

    BinaryComparison result;
    result.leftSize = readers[0].size();
    result.rightSize = readers[1].size();
    const std::unique_ptr<unsigned char[]> buffers[2] = {std::make_unique_for_overwrite<unsigned char[]>(blockSize),
        std::make_unique_for_overwrite<unsigned char[]>(blockSize)};
    quint64 total[2] = {0, 0};
    BinaryComparer comparer;
    for (;;) {
        pump.poll();
        if (abort.load(std::memory_order_relaxed)) {
            result.aborted = true;
            break;
        }
        size_t got[2] = {0, 0};
        for (int side = 0; side < 2; ++side) {
            const Result<size_t> n = readers[side].read(buffers[side].get(), blockSize);
            if (!n)
                return errorNamingPath(paths[side], n.error());
            got[side] = n.value();
            total[side] += n.value();
            // A file cut short or grown while it is read would otherwise pass for the same file:
            // its length at open is what both the comparison and its verdict rest on.
            const bool ended = n.value() < blockSize;
            if (total[side] > readers[side].size() || (ended && total[side] != readers[side].size())) {
                return errorNamingPath(paths[side],
                    Error{Error::Code::ReadFailed,
                        QCoreApplication::translate("Duovue::CompareFiles",
                            "比較の途中でファイルの長さが変わりました (開いたときは %1 バイト)。")
                            .arg(FormatFileSize(readers[side].size()))});
            }
        }
        if (!comparer.feed(buffers[0].get(), buffers[1].get(), std::min(got[0], got[1]))) {
            result.runLimitReached = true;
            break;
        }
        if (got[0] < blockSize || got[1] < blockSize) {
            comparer.finish();
            break;
        }
    }
    result.runs = comparer.takeRuns();
    return result;
}

} // namespace Duovue
