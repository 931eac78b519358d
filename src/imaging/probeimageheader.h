#pragma once

#include <QByteArrayView>

#include "imaging/imageinfo.h"

namespace Duovue
{

/// Resolution in dots per inch; 0 = absent.
struct Resolution {
    qint32 horizontal = 0;
    qint32 vertical = 0;

    friend bool operator==(const Resolution &, const Resolution &) = default;
};

/// Identifies an image file from the bytes at its start, without decoding it.
///
/// Writes the record's type text, Exif flag and bit depth (a JPEG whose Exif segment follows an
/// APP0 that is not JFIF keeps the type text it had) and returns the resolution, which the caller
/// stores in the record. Any byte pattern gives a result; nothing outside @p data is ever read:
/// a signature that does not fit counts as not matching, a header field or an Exif value that lies
/// outside the data reads as absent (resolution 0, bit depth 0), and a rational with a zero
/// denominator gives 0.
///
/// Thread: pure function, callable from any thread.
Resolution ProbeImageHeader(QByteArrayView data, ImageInfo &info);

} // namespace Duovue
