#pragma once

#include <array>

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace Duovue
{

/// The quality setting a JPEG encoder most likely used, read from the file's quantisation tables.
/// An encoder that scales the standard tables of the JPEG standard's annex K by the usual quality
/// formula (libjpeg and nearly everything built on it) leaves tables that give its setting back
/// exactly; other tables (cameras, tuned encoders) get the setting whose scaled tables lie nearest.
///
/// Thread: a plain value.
struct JpegQualityEstimate {
    int quality = 0; // 1..100; 0 when the file gave no table
    bool exact = false; // the tables are the standard ones scaled for exactly this quality

    bool isKnown() const { return quality > 0; }
    /// "75" for an exact estimate, "約 75" for a nearest one, empty when unknown.
    QString text() const;

    friend bool operator==(const JpegQualityEstimate &, const JpegQualityEstimate &) = default;
};

/// One quantisation table of a DQT segment: its slot (0..3) and its 64 values in the order the file
/// stores them (zig-zag).
struct JpegQuantTable {
    int slot = 0;
    std::array<quint16, 64> values{};
};

namespace JpegQuality
{

/// The standard table of annex K scaled for @p quality (1..100) the usual way: scale factor 5000 / q
/// below 50, 200 - 2q from 50, each value (base x scale + 50) / 100 kept within 1..32767, and within
/// 1..255 when @p baseline (8-bit tables). @p chrominance picks table K.2 instead of K.1. Zig-zag
/// order, as a DQT segment stores it.
std::array<quint16, 64> scaledTable(int quality, bool chrominance, bool baseline);

/// The tables of a DQT segment's content (after its two length bytes). False when the content is
/// not whole tables; those read before the fault are kept in @p tables.
bool parseDqt(QByteArrayView content, QList<JpegQuantTable> &tables);

/// The estimate for @p tables: slot 0 is compared against the luminance table, the other slots
/// against the chrominance table. Exact when every table equals the scaled table of one quality
/// (8-bit or 16-bit variant); otherwise the quality with the smallest sum of absolute differences
/// (the higher of equals). Unknown for no table.
JpegQualityEstimate estimate(const QList<JpegQuantTable> &tables);

/// Walks a JPEG's segments from its start, fed in pieces of any size, and keeps the quantisation
/// tables defined before its first scan, a later table in the same slot replacing an earlier one.
/// Segment contents other than DQT are skipped unread, so tables inside an embedded thumbnail
/// do not count; a fault in the structure ends the walk with the tables read so far.
///
/// Thread: any; one object per file.
class TableCollector
{
public:
    /// Feeds the next @p n bytes of the file.
    void feed(const unsigned char *data, qsizetype n);
    /// The first scan (or the end of the file or a fault) was reached: more bytes change nothing.
    bool isDone() const { return m_state == State::Done; }
    const QList<JpegQuantTable> &tables() const { return m_tables; }
    JpegQualityEstimate estimate() const { return JpegQuality::estimate(m_tables); }

private:
    enum class State { Start, Start2, Fill, Code, Length1, Length2, Skip, Collect, Done };
    void collected();

    State m_state = State::Start;
    quint8 m_code = 0;
    quint32 m_remaining = 0;
    QByteArray m_segment;
    QList<JpegQuantTable> m_tables;
};

/// The estimate for the JPEG whose first bytes are @p head; also reports whether the head held the
/// whole walk to the first scan (when not, a longer read of the file may find more tables).
JpegQualityEstimate estimateFromHead(QByteArrayView head, bool *complete = nullptr);

/// The estimate for the JPEG file at @p path whose first bytes @p head were read already: the rest
/// of the file is read only when the tables lie beyond the head (behind large metadata), and then
/// no further than MaxWalkBytes. A file that cannot be read gives what the head gave.
JpegQualityEstimate estimateFile(const QString &path, QByteArrayView head);

/// How far into a file the walk to the first scan goes.
constexpr qint64 MaxWalkBytes = qint64(16) << 20;

} // namespace JpegQuality

} // namespace Duovue
