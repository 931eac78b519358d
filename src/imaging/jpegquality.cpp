#include "imaging/jpegquality.h"

#include <algorithm>
#include <limits>

#include <QCoreApplication>

#include "core/blockreader.h"

namespace Duovue
{

namespace
{

// Tables K.1 (luminance) and K.2 (chrominance) of the JPEG standard, in natural (row) order, and the
// natural position of the k-th value in zig-zag order.
// clang-format off
constexpr std::array<quint16, 64> LuminanceBase = {
    16, 11, 10, 16, 24, 40, 51, 61,
    12, 12, 14, 19, 26, 58, 60, 55,
    14, 13, 16, 24, 40, 57, 69, 56,
    14, 17, 22, 29, 51, 87, 80, 62,
    18, 22, 37, 56, 68, 109, 103, 77,
    24, 35, 55, 64, 81, 104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101,
    72, 92, 95, 98, 112, 100, 103, 99};
constexpr std::array<quint16, 64> ChrominanceBase = {
    17, 18, 24, 47, 99, 99, 99, 99,
    18, 21, 26, 66, 99, 99, 99, 99,
    24, 26, 56, 99, 99, 99, 99, 99,
    47, 66, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99};
constexpr std::array<quint8, 64> ZigZag = {
    0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6, 7, 14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
// clang-format on

constexpr quint8 Sos = 0xDA;
constexpr quint8 Eoi = 0xD9;
constexpr quint8 Dqt = 0xDB;

/// Markers that stand alone, without a length: TEM and the restart markers.
bool standsAlone(quint8 code)
{
    return code == 0x01 || (code >= 0xD0 && code <= 0xD7);
}

qint64 distance(const std::array<quint16, 64> &a, const std::array<quint16, 64> &b)
{
    qint64 sum = 0;
    for (int i = 0; i < 64; ++i)
        sum += std::abs(int(a[i]) - int(b[i]));
    return sum;
}

} // namespace

QString JpegQualityEstimate::text() const
{
    if (!isKnown())
        return QString();
    //: An estimated JPEG quality setting that is not exact ("about 75").
    return exact ? QString::number(quality) : QCoreApplication::translate("JpegQuality", "約 %1").arg(quality);
}

namespace JpegQuality
{

std::array<quint16, 64> scaledTable(int quality, bool chrominance, bool baseline)
{
    quality = std::clamp(quality, 1, 100);
    const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    const std::array<quint16, 64> &base = chrominance ? ChrominanceBase : LuminanceBase;
    std::array<quint16, 64> table{};
    for (int k = 0; k < 64; ++k) {
        const long value = (long(base[ZigZag[k]]) * scale + 50) / 100;
        table[k] = quint16(std::clamp(value, 1L, baseline ? 255L : 32767L));
    }
    return table;
}

bool parseDqt(QByteArrayView content, QList<JpegQuantTable> &tables)
{
    qsizetype at = 0;
    while (at < content.size()) {
        const auto head = quint8(content[at++]);
        const bool wide = (head >> 4) != 0;
        if ((head >> 4) > 1 || (head & 0x0F) > 3)
            return false;
        const qsizetype need = wide ? 128 : 64;
        if (content.size() - at < need)
            return false;
        JpegQuantTable table;
        table.slot = head & 0x0F;
        for (int k = 0; k < 64; ++k) {
            table.values[k] = wide ? quint16((quint8(content[at + 2 * k]) << 8) | quint8(content[at + 2 * k + 1]))
                                   : quint8(content[at + k]);
        }
        at += need;
        tables.append(table);
    }
    return true;
}

JpegQualityEstimate estimate(const QList<JpegQuantTable> &tables)
{
    if (tables.isEmpty())
        return {};
    JpegQualityEstimate best;
    qint64 bestError = std::numeric_limits<qint64>::max();
    for (int q = 100; q >= 1; --q) {
        qint64 error = 0;
        for (const JpegQuantTable &t : tables) {
            const bool chrominance = t.slot != 0;
            error += std::min(distance(t.values, scaledTable(q, chrominance, true)),
                distance(t.values, scaledTable(q, chrominance, false)));
        }
        if (error < bestError) {
            bestError = error;
            best.quality = q;
        }
        if (error == 0)
            break;
    }
    best.exact = bestError == 0;
    return best;
}

void TableCollector::feed(const unsigned char *data, qsizetype n)
{
    const unsigned char *const end = data + n;
    while (data < end && m_state != State::Done) {
        switch (m_state) {
        case State::Start:
            m_state = *data++ == 0xFF ? State::Start2 : State::Done;
            break;
        case State::Start2:
            m_state = *data++ == 0xD8 ? State::Fill : State::Done;
            break;
        case State::Fill:
            // Between segments only a marker may stand, after any number of fill bytes.
            m_state = *data++ == 0xFF ? State::Code : State::Done;
            break;
        case State::Code:
            m_code = *data++;
            if (m_code == 0xFF)
                break;
            if (m_code == Sos || m_code == Eoi || m_code == 0x00)
                m_state = State::Done;
            else
                m_state = standsAlone(m_code) ? State::Fill : State::Length1;
            break;
        case State::Length1:
            m_remaining = quint32(*data++) << 8;
            m_state = State::Length2;
            break;
        case State::Length2:
            m_remaining |= *data++;
            if (m_remaining < 2) {
                m_state = State::Done;
                break;
            }
            m_remaining -= 2;
            m_segment.clear();
            m_state = m_code == Dqt ? State::Collect : State::Skip;
            if (m_remaining == 0)
                collected();
            break;
        case State::Skip:
        case State::Collect: {
            const auto take = quint32(std::min<qint64>(end - data, m_remaining));
            if (m_state == State::Collect)
                m_segment.append(reinterpret_cast<const char *>(data), take);
            data += take;
            m_remaining -= take;
            if (m_remaining == 0)
                collected();
            break;
        }
        case State::Done:
            break;
        }
    }
}

void TableCollector::collected()
{
    if (m_state == State::Collect) {
        QList<JpegQuantTable> found;
        parseDqt(m_segment, found);
        for (const JpegQuantTable &t : std::as_const(found)) {
            m_tables.removeIf([&t](const JpegQuantTable &old) {
                return old.slot == t.slot;
            });
            m_tables.append(t);
        }
        m_segment.clear();
    }
    m_state = State::Fill;
}

JpegQualityEstimate estimateFromHead(QByteArrayView head, bool *complete)
{
    TableCollector collector;
    collector.feed(reinterpret_cast<const unsigned char *>(head.data()), head.size());
    if (complete)
        *complete = collector.isDone();
    return collector.estimate();
}

JpegQualityEstimate estimateFile(const QString &path, QByteArrayView head)
{
    TableCollector collector;
    collector.feed(reinterpret_cast<const unsigned char *>(head.data()), head.size());
    if (collector.isDone())
        return collector.estimate();
    BlockReader reader;
    if (!reader.open(path) || reader.size() <= quint64(head.size()))
        return collector.estimate();
    std::array<unsigned char, 64 * 1024> buffer;
    qint64 offset = 0;
    while (!collector.isDone() && offset < MaxWalkBytes) {
        const Result<size_t> n = reader.read(buffer.data(), buffer.size());
        if (!n || n.value() == 0)
            break;
        const auto got = qint64(n.value());
        // The head was fed already; the file is read again from its start.
        const qint64 skip = std::clamp(head.size() - offset, qint64(0), got);
        collector.feed(buffer.data() + skip, got - skip);
        offset += got;
    }
    return collector.estimate();
}

} // namespace JpegQuality

} // namespace Duovue
