#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QSize>
#include <QString>

namespace Duovue::Test::ImagingFactory
{

// Byte-exact picture files and headers, built in code for the image probe and loader tests.

/// One IFD0 entry of a TIFF header. A RATIONAL entry (type 5) gets its value stored after the IFD
/// and its offset written in the entry; other entries hold @p value directly.
struct TiffEntry {
    quint16 tag = 0;
    quint16 type = 0; // 3 SHORT, 4 LONG, 5 RATIONAL
    quint32 value = 0; // SHORT/LONG value, or the numerator of a RATIONAL
    quint32 denominator = 1; // RATIONAL only
};

/// Entries XResolution, YResolution (rationals x/1, y/1) and ResolutionUnit (unit).
QList<TiffEntry> resolutionEntries(quint32 x, quint32 y, quint16 unit);

/// A TIFF header ("II" or "MM", 42, IFD0 at 8) with the given IFD0 entries and their values.
QByteArray tiff(bool bigEndian, const QList<TiffEntry> &entries);

/// An APP0 JFIF segment of length 16 (marker included: 18 bytes).
QByteArray jfifSegment(quint8 units, quint16 xDensity, quint16 yDensity);
/// An APP0 JFXX segment (thumbnail stored as JPEG, no thumbnail data).
QByteArray jfxxSegment();
/// An APP1 Exif segment holding @p tiffData.
QByteArray exifSegment(const QByteArray &tiffData);

/// SOI followed by @p segments and an EOI: enough for the probe, not for a decoder.
QByteArray jpegHeader(const QList<QByteArray> &segments);

/// A real baseline JPEG of @p size encoded by Qt; @p progressive asks for a progressive file.
/// Qt writes a JFIF APP0 segment (units 1, density from @p dpi) right after the SOI, and scales
/// the standard tables for @p quality (libjpeg's quality setting, 8-bit tables).
QByteArray encodedJpeg(QSize size, int dpi = 72, bool progressive = false, int quality = 90);
/// @p jpeg (as from encodedJpeg) with its APP0 segment replaced by @p segment.
QByteArray replaceApp0(const QByteArray &jpeg, const QByteArray &segment);
/// @p jpeg with @p segment inserted right after its APP0 segment.
QByteArray insertAfterApp0(const QByteArray &jpeg, const QByteArray &segment);

/// A Windows bitmap (40-byte info header), 24 bits, with the given pixels per metre.
QByteArray windowsBmp(QSize size, qint32 xPixelsPerMetre, qint32 yPixelsPerMetre, QColor fill = Qt::red);
/// An OS/2 bitmap (12-byte core header), 24 bits.
QByteArray os2Bmp(QSize size, QColor fill = Qt::blue);

/// A GIF with version "87a" or "89a" and a global colour table of 2^@p bits colours (bits 1..8), or
/// none when @p bits is 0 (then each frame carries a local table). @p frames > 1 makes an animation.
QByteArray gif(QSize size, const char *version = "89a", int bits = 8, int frames = 1);

/// A GIF of an indexed picture (QImage::Format_Indexed8) with its own colour table.
QByteArray gif(const QImage &indexed);

/// The first eight bytes of a PNG file followed by an IHDR chunk.
QByteArray pngHeader();

/// Overwrites two or four bytes of @p bytes at @p at with @p value, least significant first.
void setLe16(QByteArray &bytes, qsizetype at, quint16 value);
void setLe32(QByteArray &bytes, qsizetype at, quint32 value);

// Hostile variants of real pictures.

/// @p jpeg with its frame header claiming @p width x @p height pixels.
QByteArray withDeclaredSize(const QByteArray &jpeg, quint16 width, quint16 height);
/// @p jpeg (progressive) with its first scan repeated @p extra more times: the same picture, in
/// as many more scans.
QByteArray withRepeatedScan(const QByteArray &jpeg, int extra);
/// Makes @p path a sparse file of @p size bytes that starts with @p head; true on success.
bool makeSparseFile(const QString &path, const QByteArray &head, qint64 size);

} // namespace Duovue::Test::ImagingFactory
