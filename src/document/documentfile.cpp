#include "document/documentfile.h"

#include <algorithm>

#include <QCoreApplication>
#include <QFile>
#include <QIODevice>
#include <QtEndian>

#include "core/atomicfile.h"
#include "core/blockreader.h"
#include "core/nativepath.h"

namespace Duovue
{

namespace
{

constexpr char FieldEnd = '\x07';
constexpr char LineEnd = '\x0A';
constexpr int OffsetLeftText = 4;
constexpr int OffsetRightText = 8;
constexpr int OffsetCounts = 12;
constexpr int OffsetPositions = 20;
constexpr int OffsetResultMode = 28;

// Columns stored per line after the name (0) and folder (1) columns.
constexpr int WidthColumn = 5;
constexpr int HeightColumn = 6;

const QString MarkSet = QStringLiteral("1");
const QString MarkClear = QStringLiteral("0");

const char *sideName(int side)
{
    return side == 0 ? "left" : "right";
}

quint32 readU32(const QByteArray &bytes, int offset)
{
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}

void putU32(QByteArray &bytes, int offset, quint32 value)
{
    qToLittleEndian<quint32>(value, bytes.data() + offset);
}

// Index of the last entry marked "1"; 0 when there is none (also in result mode, where the primary
// strings are group labels).
int lastMark(const FileList &list)
{
    int position = 0;
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list.primary(i) == MarkSet)
            position = int(i);
    }
    return position;
}

std::array<const QString *, 5> storedFields(const FileList &list, qsizetype i, bool resultMode, int &count)
{
    if (resultMode) {
        count = 5;
        return {&list.column(0, i),
            &list.column(1, i),
            &list.column(WidthColumn, i),
            &list.column(HeightColumn, i),
            &list.primary(i)};
    }
    count = 3;
    return {&list.column(0, i), &list.column(1, i), &list.primary(i), nullptr, nullptr};
}

// A field may not hold a byte the reader takes for the end of a field, a line or the text.
bool fieldIsStorable(const QString &field)
{
    return std::none_of(field.cbegin(), field.cend(), [](QChar c) {
        return c == QLatin1Char(FieldEnd) || c == QLatin1Char(LineEnd) || c.unicode() == 0;
    });
}

Error tooLarge()
{
    return Error{Error::Code::Unsupported,
        QStringLiteral("The document is larger than %1 MiB").arg(DocumentFile::MaxBytes / (1024 * 1024))};
}

} // namespace

namespace DocumentFile
{

QString fileFilter()
{
    return QStringLiteral("Duovue ファイル (*.duov)");
}

QString suffix()
{
    return QStringLiteral("duov");
}

QString openFailedMessage()
{
    return QStringLiteral("ドキュメントを開くことに失敗しました。");
}

QString saveFailedMessage()
{
    return QStringLiteral("ドキュメントの保存に失敗しました。");
}

Result<QByteArray> serialize(const DocumentContent &content)
{
    QByteArray header(DocumentHeader::Size, '\0');
    header[0] = 'D';
    header[1] = 'V';
    header[2] = 1;
    header[3] = 1;
    header[OffsetResultMode] = content.resultMode ? 1 : 0;

    QByteArray text;
    for (int side = 0; side < 2; ++side) {
        const FileList &list = content.lists[side];
        for (qsizetype i = 0; i < list.size(); ++i) {
            int count = 0;
            const auto fields = storedFields(list, i, content.resultMode, count);
            for (int f = 0; f < count; ++f) {
                // The document is UTF-8 text (or read as Shift-JIS when it is not), so a name's bytes
                // that are not UTF-8 cannot be kept: the save is refused rather than the name changed.
                if (NativePath::hasRawBytes(*fields[f])) {
                    return Error{Error::Code::InvalidArgument,
                        QCoreApplication::translate("DocumentFile",
                            "%1のリストの %2 番目のファイル名は UTF-8 "
                            "の文字ではないため、ドキュメントに保存できません。\r\n%3")
                            .arg(side == 0 ? QStringLiteral("左") : QStringLiteral("右"))
                            .arg(i + 1)
                            .arg(NativePath::display(list.fullPath(i)))};
                }
                if (!fieldIsStorable(*fields[f])) {
                    return Error{Error::Code::InvalidArgument,
                        QStringLiteral("%1のリストの %2 番目のファイル名に、ドキュメントに保存できない文字 "
                                       "(改行など) が含まれています。\r\n%3")
                            .arg(side == 0 ? QStringLiteral("左") : QStringLiteral("右"))
                            .arg(i + 1)
                            .arg(list.fullPath(i))};
                }
                text += fields[f]->toUtf8();
                text += FieldEnd;
            }
            text += LineEnd;
        }
        putU32(header, OffsetCounts + 4 * side, quint32(list.size()));
        putU32(header, OffsetPositions + 4 * side, quint32(lastMark(list)));
        if (side == 0) {
            putU32(header, OffsetLeftText, DocumentHeader::Size);
            putU32(header, OffsetRightText, quint32(DocumentHeader::Size + text.size()));
        }
    }
    return QByteArray(header + text);
}

Result<DocumentReadout> parse(const QByteArray &bytes)
{
    Result<DocumentParser> started = DocumentParser::start(bytes);
    if (!started)
        return started.error();
    DocumentParser &parser = started.value();
    DocumentReadout out = parser.readout();
    for (int side = 0; side < 2; ++side) {
        FileList &list = out.content.lists[side];
        list.reserve(parser.entryCount(side));
        parser.readEntries(side, [&list](DocumentParser::Entry &&entry) {
            list.append(std::move(entry));
        });
    }
    return out;
}

Result<DocumentReadout> read(QIODevice &device)
{
    if (!device.isReadable())
        return Error{
            Error::Code::ReadFailed, QStringLiteral("The document cannot be read: %1").arg(device.errorString())};
    QByteArray bytes;
    if (!device.isSequential() && device.size() - device.pos() <= MaxBytes)
        bytes.reserve(device.size() - device.pos());
    // Read in bounded steps so that a huge file is refused before it is held in memory.
    constexpr qint64 Chunk = 1 << 20;
    while (true) {
        const QByteArray part = device.read(Chunk);
        if (part.isEmpty()) {
            if (!device.atEnd() && !device.isSequential())
                return Error{Error::Code::ReadFailed,
                    QStringLiteral("The document cannot be read: %1").arg(device.errorString())};
            break;
        }
        if (bytes.size() + part.size() > MaxBytes)
            return tooLarge();
        // The magic decides at once whether the rest is worth reading.
        if (bytes.isEmpty() && part.size() >= 2 && !part.startsWith("DV"))
            return parse(part.first(2));
        bytes += part;
    }
    return parse(bytes);
}

Result<QByteArray> readFile(const QString &path)
{
    Result<QByteArray> bytes = BlockReader::readAll(path, MaxBytes);
    if (!bytes && bytes.error().code == Error::Code::Unsupported)
        return tooLarge();
    return bytes;
}

Result<DocumentReadout> load(const QString &path)
{
    const Result<QByteArray> bytes = readFile(path);
    if (!bytes)
        return bytes.error();
    return parse(bytes.value());
}

Result<void> write(QIODevice &device, const DocumentContent &content)
{
    const Result<QByteArray> bytes = serialize(content);
    if (!bytes)
        return bytes.error();
    if (device.write(bytes.value()) != bytes.value().size())
        return Error{
            Error::Code::WriteFailed, QStringLiteral("Cannot write the document: %1").arg(device.errorString())};
    return {};
}

Result<void> save(const QString &path, const DocumentContent &content)
{
    const Result<QByteArray> bytes = serialize(content);
    if (!bytes)
        return bytes.error();
    return writeFileAtomically(path, bytes.value());
}

} // namespace DocumentFile

Result<DocumentParser> DocumentParser::start(const QByteArray &bytes)
{
    using namespace DocumentFile;
    if (bytes.size() < 2 || bytes[0] != 'D' || bytes[1] != 'V')
        return Error{Error::Code::InvalidData, QStringLiteral("Not a Duovue document: the \"DV\" mark is missing")};
    if (bytes.size() < DocumentHeader::Size) {
        return Error{Error::Code::InvalidData,
            QStringLiteral("The document header is incomplete: %1 of %2 bytes")
                .arg(bytes.size())
                .arg(DocumentHeader::Size)};
    }

    DocumentParser parser;
    DocumentReadout &out = parser.m_readout;
    DocumentHeader &h = out.header;
    h.hasMagic = true;
    h.version = {quint8(bytes[2]), quint8(bytes[3])};
    for (int side = 0; side < 2; ++side) {
        h.textOffset[side] = readU32(bytes, OffsetLeftText + 4 * side);
        h.count[side] = readU32(bytes, OffsetCounts + 4 * side);
        h.position[side] = qint32(readU32(bytes, OffsetPositions + 4 * side));
    }
    h.resultMode = quint8(bytes[OffsetResultMode]);
    out.content.resultMode = h.resultMode != 0;

    // The text runs from the left offset to the end of the file, or to its first zero byte.
    QByteArrayView text;
    if (h.textOffset[0] > quint32(bytes.size())) {
        out.faults << QStringLiteral("The left text offset %1 lies beyond the end of the file (%2 bytes)")
                          .arg(h.textOffset[0])
                          .arg(bytes.size());
    } else {
        if (h.textOffset[0] < quint32(DocumentHeader::Size))
            out.faults << QStringLiteral("The left text offset %1 lies inside the header").arg(h.textOffset[0]);
        text = QByteArrayView(bytes).sliced(qsizetype(h.textOffset[0]));
        const qsizetype zero = text.indexOf('\0');
        if (zero >= 0)
            text.truncate(zero);
    }
    const qint64 leftLength = qint64(h.textOffset[1]) - qint64(h.textOffset[0]);
    if (leftLength < 0 || leftLength > text.size()) {
        out.faults << QStringLiteral("The right text offset %1 lies outside the text (%2 to %3)")
                          .arg(h.textOffset[1])
                          .arg(h.textOffset[0])
                          .arg(qint64(h.textOffset[0]) + text.size());
    }
    const qsizetype split = qsizetype(std::clamp<qint64>(leftLength, 0, text.size()));
    parser.m_text = {text.first(split), text.sliced(split)};

    // The program writes UTF-8; its Windows build wrote Shift-JIS. Checked without decoding, so
    // that the text is not held a second time, twice as large.
    if (!text.isValidUtf8()) {
        out.encoding = DocumentEncoding::ShiftJis;
        parser.m_shiftJis = QStringDecoder("Shift_JIS", QStringDecoder::Flag::Stateless);
        if (!parser.m_shiftJis.isValid())
            out.faults << QStringLiteral("The text is not UTF-8 and no Shift-JIS decoder is available");
    }

    for (int side = 0; side < 2; ++side) {
        // Every line ends in 0x0A, so the lines present bound the count, whatever the header says.
        const qsizetype lines = parser.m_text[side].count(LineEnd);
        qsizetype count = qsizetype(std::min<qint64>(qint64(h.count[side]), lines));
        if (quint32(count) < h.count[side]) {
            out.faults << QStringLiteral("The header announces %1 %2 entries; only %3 lines are present")
                              .arg(h.count[side])
                              .arg(QLatin1String(sideName(side)))
                              .arg(count);
        }
        if (count > MaxEntries) {
            out.faults << QStringLiteral("The %1 list holds more than %2 entries; the rest were not read")
                              .arg(QLatin1String(sideName(side)))
                              .arg(MaxEntries);
            count = MaxEntries;
        }
        parser.m_entryCount[side] = count;
        // Pulled into the list, as the mark is: beyond the end onto the last entry.
        const int last = int(std::max<qsizetype>(count - 1, 0));
        out.content.positions[side] = std::clamp<qint32>(h.position[side], 0, last);
    }
    return parser;
}

QString DocumentParser::decode(QByteArrayView bytes)
{
    if (m_readout.encoding == DocumentEncoding::ShiftJis && m_shiftJis.isValid())
        return m_shiftJis.decode(bytes);
    return QString::fromUtf8(bytes);
}

// Splits one line (without its 0x0A) into the stored columns of an entry.
DocumentParser::Entry DocumentParser::parseLine(QByteArrayView line)
{
    const bool resultMode = m_readout.content.resultMode;
    Entry entry;
    const int fieldCount = resultMode ? 4 : 2;
    static constexpr std::array<int, 4> targets{0, 1, WidthColumn, HeightColumn};
    qsizetype start = 0;
    for (int f = 0; f < fieldCount && start <= line.size(); ++f) {
        qsizetype end = line.indexOf(FieldEnd, start);
        if (end < 0)
            end = line.size();
        entry.columns[targets[f]] = decode(line.sliced(start, end - start));
        start = end + 1;
    }
    if (!resultMode) {
        entry.primary = MarkClear;
        return entry;
    }
    QByteArrayView rest = start < line.size() ? line.sliced(start) : QByteArrayView();
    while (rest.endsWith(FieldEnd))
        rest.chop(1);
    entry.primary = decode(rest);
    return entry;
}

void DocumentParser::readEntries(int side, const std::function<void(Entry &&)> &take)
{
    const QByteArrayView text = m_text[side];
    const bool marks = !m_readout.content.resultMode;
    const qsizetype position = m_readout.content.positions[side];
    qsizetype cursor = 0;
    for (qsizetype i = 0; i < m_entryCount[side]; ++i) {
        const qsizetype end = text.indexOf(LineEnd, cursor);
        Q_ASSERT(end >= 0); // the lines were counted
        Entry entry = parseLine(text.sliced(cursor, end - cursor));
        // Outside result mode the stored position becomes the side's one mark.
        if (marks && i == position)
            entry.primary = MarkSet;
        take(std::move(entry));
        cursor = end + 1;
    }
}

} // namespace Duovue
