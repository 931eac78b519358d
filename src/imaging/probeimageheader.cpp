#include "imaging/probeimageheader.h"

#include <cmath>
#include <limits>
#include <optional>
#include <string_view>

#include <QtEndian>

namespace Duovue
{

namespace
{

/// Bounds-checked view of the file's first bytes. Offsets are 64-bit so that offsets taken from
/// the file cannot wrap around.
class Bytes
{
public:
    explicit Bytes(QByteArrayView data)
        : m_data(data)
    {
    }

    bool has(qint64 offset, qint64 length) const
    {
        return offset >= 0 && length >= 0 && offset <= m_data.size() && length <= m_data.size() - offset;
    }

    bool matches(qint64 offset, std::string_view signature) const
    {
        const auto length = static_cast<qint64>(signature.size());
        return has(offset, length) && m_data.sliced(offset, length) == QByteArrayView(signature.data(), length);
    }

    quint8 byte(qint64 offset) const
    {
        Q_ASSERT(has(offset, 1));
        return static_cast<quint8>(m_data[offset]);
    }

    std::optional<quint16> u16(qint64 offset, bool bigEndian) const
    {
        if (!has(offset, 2))
            return std::nullopt;
        const void *p = m_data.data() + offset;
        return bigEndian ? qFromBigEndian<quint16>(p) : qFromLittleEndian<quint16>(p);
    }

    std::optional<quint32> u32(qint64 offset, bool bigEndian) const
    {
        if (!has(offset, 4))
            return std::nullopt;
        const void *p = m_data.data() + offset;
        return bigEndian ? qFromBigEndian<quint32>(p) : qFromLittleEndian<quint32>(p);
    }

private:
    QByteArrayView m_data;
};

// Signatures are compared with the zero byte that follows the four letters.
constexpr std::string_view JfifSignature{"JFIF\0", 5};
constexpr std::string_view JfxxSignature{"JFXX\0", 5};
constexpr std::string_view ExifSignature{"Exif\0", 5};

constexpr qint64 FirstSignatureOffset = 6;
constexpr qint64 SecondSignatureOffset = 24;
constexpr qint64 TiffAfterFirstSignature = 12;
constexpr qint64 TiffAfterSecondSignature = 30;

constexpr quint16 TagXResolution = 0x011A;
constexpr quint16 TagYResolution = 0x011B;
constexpr quint16 TagResolutionUnit = 0x0128;

/// Truncation toward zero that saturates instead of overflowing, for values read from the file.
qint32 truncateToInt32(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(std::numeric_limits<qint32>::max()))
        return std::numeric_limits<qint32>::max();
    if (value <= static_cast<double>(std::numeric_limits<qint32>::min()))
        return std::numeric_limits<qint32>::min();
    return static_cast<qint32>(value);
}

qint32 saturateToInt32(quint32 value)
{
    return value > static_cast<quint32>(std::numeric_limits<qint32>::max()) ? std::numeric_limits<qint32>::max()
                                                                            : static_cast<qint32>(value);
}

/// numerator / denominator of the rational at @p tiff + @p offset, truncated; 0 when the rational
/// lies outside the data or its denominator is 0 (0 means "absent" throughout the record).
qint32 readRational(const Bytes &d, qint64 tiff, quint32 offset, bool bigEndian)
{
    const qint64 at = tiff + offset;
    const auto numerator = d.u32(at, bigEndian);
    const auto denominator = d.u32(at + 4, bigEndian);
    if (!numerator || !denominator || *denominator == 0)
        return 0;
    return saturateToInt32(*numerator / *denominator);
}

Resolution exifWalk(const Bytes &d, qint64 tiff, ImageInfo &info)
{
    info.exifFlag = 1;
    info.bitDepth = 24;

    const bool bigEndian = d.has(tiff, 2) && d.byte(tiff) == 'M' && d.byte(tiff + 1) == 'M';
    const auto ifdOffset = d.u32(tiff + 4, bigEndian);
    if (!ifdOffset)
        return {};
    const qint64 ifd = tiff + *ifdOffset;
    const auto count = d.u16(ifd, bigEndian);
    if (!count)
        return {};

    quint32 xOffset = 0;
    quint32 yOffset = 0;
    quint16 unit = 0;
    bool seenX = false;
    bool seenY = false;
    bool seenUnit = false;
    for (qint64 i = 0; i < *count; ++i) {
        const qint64 entry = ifd + 2 + 12 * i;
        // An entry that runs past the data ends the walk: nothing beyond the data is read.
        if (!d.has(entry, 12))
            break;
        const quint16 tag = *d.u16(entry, bigEndian);
        if (tag == TagXResolution) {
            xOffset = *d.u32(entry + 8, bigEndian);
            seenX = true;
        } else if (tag == TagYResolution) {
            yOffset = *d.u32(entry + 8, bigEndian);
            seenY = true;
        } else if (tag == TagResolutionUnit) {
            unit = *d.u16(entry + 8, bigEndian);
            seenUnit = true;
        }
        if (seenX && seenY && seenUnit)
            break;
    }

    // A value offset of 0 cannot point at a rational (the TIFF header is there): the tag counts
    // as absent.
    if (xOffset == 0 || yOffset == 0)
        return {};

    qint32 x = readRational(d, tiff, xOffset, bigEndian);
    qint32 y = readRational(d, tiff, yOffset, bigEndian);
    if (unit == 3) { // centimetres
        x = truncateToInt32(x * 2.54);
        y = truncateToInt32(y * 2.54);
    }
    return {x, y};
}

} // namespace

Resolution ProbeImageHeader(QByteArrayView data, ImageInfo &info)
{
    const Bytes d(data);

    // Each branch takes the file only when every byte it reads at a fixed offset is present; a
    // shorter file counts as not matching and falls through to the next branch.
    const bool jfif = d.matches(FirstSignatureOffset, JfifSignature);
    const bool exifSecond = d.matches(SecondSignatureOffset, ExifSignature);

    if (jfif && !exifSecond && d.has(13, 5)) {
        info.typeText = QStringLiteral("JPEG(JFIF)");
        info.exifFlag = 0;
        info.bitDepth = 24;
        const quint8 units = d.byte(13);
        if (units == 0)
            return {};
        qint32 x = *d.u16(14, true);
        qint32 y = *d.u16(16, true);
        if (units == 2) { // dots per centimetre
            x = truncateToInt32(x * 2.54);
            y = truncateToInt32(y * 2.54);
        }
        return {x, y};
    }
    if (d.matches(FirstSignatureOffset, JfxxSignature)) {
        info.typeText = QStringLiteral("JPEG(JFXX)");
        info.exifFlag = 0;
        info.bitDepth = 24;
        return {};
    }
    if (d.matches(FirstSignatureOffset, ExifSignature)) {
        info.typeText = QStringLiteral("JPEG(Exif)");
        return exifWalk(d, TiffAfterFirstSignature, info);
    }
    if (exifSecond) {
        if (jfif)
            info.typeText = QStringLiteral("JPEG(JFIF)");
        return exifWalk(d, TiffAfterSecondSignature, info);
    }
    if (d.has(0, 2) && d.byte(0) == 0xFF && d.byte(1) == 0xD8) {
        info.typeText = QStringLiteral("JPEG(不明)");
        info.exifFlag = 0;
        info.bitDepth = 24;
        return {};
    }
    if (d.matches(0, "BM")) {
        const auto headerSize = d.u32(14, false);
        if (headerSize && *headerSize == 12 && d.has(24, 2)) {
            info.typeText = QStringLiteral("BMP(OS/2)");
            info.exifFlag = 0;
            info.bitDepth = *d.u16(24, false);
            return {};
        }
        if (headerSize && *headerSize != 12 && d.has(28, 2) && d.has(38, 8)) {
            info.typeText = QStringLiteral("BMP(Windows)");
            info.exifFlag = 0;
            info.bitDepth = *d.u16(28, false);
            // Pixels per metre are signed in the header.
            const auto xPerMetre = static_cast<qint32>(*d.u32(38, false));
            const auto yPerMetre = static_cast<qint32>(*d.u32(42, false));
            return {truncateToInt32(xPerMetre * 2.54 / 100.0), truncateToInt32(yPerMetre * 2.54 / 100.0)};
        }
    }
    if (d.matches(0, "GIF") && d.has(3, 8)) {
        info.exifFlag = 0;
        const QString version = QString::fromLatin1(data.sliced(3, 3));
        const quint8 flags = d.byte(10);
        if (flags & 0x80) {
            info.bitDepth = (flags & 7) + 1;
            info.typeText = QStringLiteral("GIF(") + version + u' ' + QString::number(1 << info.bitDepth) + u')';
        } else {
            info.bitDepth = 0;
            info.typeText = QStringLiteral("GIF(") + version + u')';
        }
        return {};
    }
    info.typeText = QStringLiteral("不明");
    info.exifFlag = 0;
    info.bitDepth = 0;
    return {};
}

} // namespace Duovue
