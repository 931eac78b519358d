#pragma once

#include <atomic>
#include <vector>

#include <QByteArray>
#include <QList>
#include <QString>

#include "core/result.h"
#include "imaging/jpegquality.h"

namespace Duovue
{

class ProgressPump;

/// One place in a file where a JPEG marker code occurs: a 0xFF byte followed by a code byte other
/// than 0x00 and 0xFF whose description is not empty.
///
/// Kept small (no texts) because a hostile file can hold millions of them and every one is listed;
/// the texts are made when a row is shown.
struct MarkerRow {
    quint64 address = 0; // offset of the 0xFF byte
    quint8 code = 0; // the byte after it
    bool nested = false; // described while NestingDepth was above 1 (inside an embedded picture)
    quint8 quality = 0; // a DQT row's estimated quality (JpegQualityEstimate), 0 when none
    bool exactQuality = false;

    /// "%08X" of the address (more digits beyond 4 GiB).
    QString addressText() const;
    /// "FF%02X" of the code.
    QString markerText() const;
    /// The code's description, behind one ideographic space when nested; a DQT row whose tables
    /// were read whole adds their estimated quality: "(品質 75)" or "(品質 約 75)".
    QString description() const;
    JpegQualityEstimate qualityEstimate() const { return {quality, exactQuality}; }
};

/// What scanning one file found.
struct MarkerScanResult {
    QList<MarkerRow> rows; // in scan order, the first JpegMarkers::MaxRows found
    quint64 omitted = 0; // rows found after those, counted but not kept
    bool aborted = false;
};

namespace JpegMarkers
{

/// Rows kept per file. A file can hold a marker every two bytes; a person reads no more than
/// this many rows, and the memory for them stays a couple of megabytes whatever the file.
constexpr qsizetype MaxRows = 100000;

/// The description of a marker code; empty for the codes that get no row (0x03 to 0xBE, the
/// restart markers 0xD0 to 0xD7, and 0x00 and 0xFF, which are never codes).
QString codeDescription(quint8 code);

/// The description of @p code at the current depth, keeping @p nestingDepth: a start of image
/// raises the depth first; a non-empty text at a depth above 1 gets the ideographic-space indent;
/// an end of image lowers the depth afterwards. So a file's own SOI and final EOI are not indented,
/// while an embedded thumbnail's SOI, its markers and its EOI are.
QString Describe(quint8 code, qint64 &nestingDepth);

/// True when @p head starts with 0xFF 0xD8.
bool isJpegStart(QByteArrayView head);

/// Scans bytes fed piece by piece; a marker split across two pieces is found as if the bytes were
/// whole. Keeps the first MaxRows rows and counts the rest. The segment after a DQT row is read
/// (up to MaxOpenTables of them at a time) for the quality its tables give.
///
/// Thread: any; one object per scan.
class Scanner
{
public:
    void feed(const unsigned char *data, size_t n);
    const QList<MarkerRow> &rows() const { return m_rows; }
    QList<MarkerRow> takeRows() { return std::move(m_rows); }
    /// Rows found after the first MaxRows.
    quint64 omitted() const { return m_omitted; }

    /// DQT segments read at the same time; a hostile file of FF DB pairs leaves the rest unread.
    static constexpr size_t MaxOpenTables = 8;

private:
    // The bytes of a DQT segment from its length on, gathered across pieces.
    struct OpenTable {
        qsizetype row = 0;
        quint64 start = 0; // file offset of the length
        quint32 length = 0; // the length field, once read
        QByteArray bytes;
    };

    void candidate(quint64 address, unsigned char code);
    void readTables(const unsigned char *data, size_t n);

    QList<MarkerRow> m_rows;
    std::vector<OpenTable> m_openTables;
    quint64 m_omitted = 0;
    quint64 m_offset = 0; // file offset of the next byte fed
    qint64 m_nestingDepth = 0;
    bool m_pendingFF = false; // the last byte fed was 0xFF
};

/// The marker rows of bytes held in memory (the first MaxRows).
QList<MarkerRow> ScanBytes(QByteArrayView bytes);

/// True when the file starts with 0xFF 0xD8. Fails when the file cannot be opened or read.
Result<bool> IsJpegFile(const QString &path);

/// The marker rows of a file, read in blocks so memory holds only the rows kept. @p abort and
/// @p pump are polled between blocks; an abort keeps the rows found so far.
///
/// Thread: any.
Result<MarkerScanResult> ScanFile(
    const QString &path, const std::atomic<bool> &abort, ProgressPump &pump, size_t blockSize = 1 << 20);

/// The error text for a pair where one or both files are not JPEG ("左", "右" or "左右" + "の画像は
/// JPEGではありません。" and the paths of the failing sides, each on its own line).
QString NotJpegMessage(bool leftNotJpeg, bool rightNotJpeg, const QString &leftPath, const QString &rightPath);

} // namespace JpegMarkers

} // namespace Duovue
