#pragma once

#include <array>
#include <functional>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

#include "core/result.h"
#include "lists/cmysortstringarray.h"

class QIODevice;

namespace Duovue
{

/// What a comparison document holds: both file lists, each side's comparison position and whether
/// the lists hold search results. Only the columns a document stores are meaningful after a read
/// (name, folder, primary string; in result mode also width and height); the others are empty.
struct DocumentContent {
    std::array<FileList, 2> lists;
    /// Comparison position of each side, always a valid index (0 for an empty list).
    std::array<int, 2> positions{0, 0};
    bool resultMode = false;
};

/// The 100-byte header of a document file, as stored.
struct DocumentHeader {
    static constexpr int Size = 100;

    bool hasMagic = false;
    std::array<quint8, 2> version{0, 0};
    std::array<quint32, 2> textOffset{0, 0};
    std::array<quint32, 2> count{0, 0};
    std::array<qint32, 2> position{0, 0};
    quint8 resultMode = 0;

    /// Whether the version bytes are the 1 and 1 this program writes. Others are read the same way,
    /// but what such a document means is not known.
    bool hasKnownVersion() const { return version[0] == 1 && version[1] == 1; }
};

/// How the text of a document was read. The program writes UTF-8; its Windows build wrote Shift-JIS.
enum class DocumentEncoding { Utf8, ShiftJis };

/// A document as read: the header as stored, the content made safe to use, and what had to be
/// mended on the way (empty when the file is whole).
struct DocumentReadout {
    DocumentHeader header;
    DocumentContent content;
    DocumentEncoding encoding = DocumentEncoding::Utf8;
    /// One line per damage found and worked around (missing lines, offsets beyond the end, more
    /// entries than a list may hold). A document with faults still opens, shorter. A stored
    /// position outside its list is no fault: it is pulled onto the list's last entry, or its
    /// first, as the program always has.
    QStringList faults;
};

/// Reader and writer of the ".duov" comparison document.
///
/// Layout: a 100-byte little-endian header (magic "DV", two version bytes 1 and 1, the offsets of
/// the left and right text, both entry counts, both comparison positions, the result-mode byte,
/// zeros), then one text line per entry, left list first. Each field of a line is followed by the
/// byte 0x07 and the line by 0x0A. Normal mode stores name, folder and primary string; result mode
/// name, folder, width, height and primary string.
///
/// The reader trusts nothing in the file: counts are bounded by the lines present, offsets past the
/// end read as missing text, positions are pulled into their lists. Thread: any; no shared state.
namespace DocumentFile
{

/// Documents larger than this are refused instead of read into memory.
constexpr qint64 MaxBytes = qint64(512) * 1024 * 1024;
/// Entries read of each list. The lines after them are left unread and reported as damage, so that
/// a file of nothing but line ends cannot make millions of entries.
constexpr qsizetype MaxEntries = 1000000;

/// The file dialog filter of documents.
QString fileFilter();
/// The document suffix, without a dot.
QString suffix();

/// The user-facing texts of a failed open and a failed save.
QString openFailedMessage();
QString saveFailedMessage();

/// The bytes of the document. The header positions are those of the last "1" mark of each list (the
/// marks, not content.positions, say where the comparison stands). Fails when a stored field holds
/// a byte that ends a field or a line (0x07 or 0x0A, possible in Linux file names), since such a
/// document would read back as other entries; that error's message is for the user.
Result<QByteArray> serialize(const DocumentContent &content);

/// Reads a document from @p device (read from its current position to its end). Fails, with the
/// reason as message, when the device cannot be read, is larger than MaxBytes, is shorter than the
/// header or lacks the magic.
Result<DocumentReadout> read(QIODevice &device);
Result<DocumentReadout> parse(const QByteArray &bytes);

/// The bytes of the document file at @p path: a regular file only (a FIFO or a device is refused
/// without waiting for it), of at most MaxBytes. The error's message says why, without the path.
Result<QByteArray> readFile(const QString &path);
/// Opens and reads the file at @p path. The error's message says why, without the path.
Result<DocumentReadout> load(const QString &path);

/// Writes the document to @p device.
Result<void> write(QIODevice &device, const DocumentContent &content);

/// Replaces the file at @p path atomically: a failed save leaves the previous file whole.
Result<void> save(const QString &path, const DocumentContent &content);

} // namespace DocumentFile

/// Reads a document's entries one at a time, so that a caller who only passes them on (duovue-cli
/// doc) needs memory for one entry, whatever the file holds. start() checks the header and lays out
/// the text: the header, the encoding, both positions and every fault are known before the first
/// entry is read. DocumentFile::parse() is start() followed by readEntries() into the lists.
///
/// Thread: any; one object per read. The bytes given to start() must outlive the parser.
class DocumentParser
{
public:
    using Entry = CMySortStringArray::Entry;

    /// Fails, with the reason as message, when @p bytes are shorter than the header or lack the magic.
    static Result<DocumentParser> start(const QByteArray &bytes);

    /// The document as parse() gives it, except that content.lists are empty.
    const DocumentReadout &readout() const { return m_readout; }
    /// How many entries readEntries(@p side) gives.
    qsizetype entryCount(int side) const { return m_entryCount[side]; }
    /// Hands every entry of @p side to @p take, in list order. Outside result mode the entry at the
    /// side's position carries the mark "1", the others "0".
    void readEntries(int side, const std::function<void(Entry &&)> &take);

private:
    DocumentParser() = default;
    QString decode(QByteArrayView bytes);
    Entry parseLine(QByteArrayView line);

    DocumentReadout m_readout;
    std::array<QByteArrayView, 2> m_text;
    std::array<qsizetype, 2> m_entryCount{0, 0};
    QStringDecoder m_shiftJis;
};

} // namespace Duovue
