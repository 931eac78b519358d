#pragma once

#include <QString>
#include <QtGlobal>

#include "imaging/jpegquality.h"

namespace Duovue
{

/// The information record of one loaded picture, held by a picture pane beside its bitmap.
/// A fresh record has both texts empty and every number 0; 0 also means "absent" for the
/// resolutions and the bit depth.
///
/// Thread: a plain value; copied freely between threads.
struct ImageInfo {
    /// Full path: the entry's folder followed by its file name.
    QString path;
    /// "JPEG(JFIF)", "BMP(Windows)", "GIF(89a 256)", "不明", ... as the header probe names it.
    QString typeText;
    quint64 fileSize = 0;
    /// Pixel size as decoded.
    qint32 width = 0;
    qint32 height = 0;
    /// Dots per inch.
    qint32 horizontalResolution = 0;
    qint32 verticalResolution = 0;
    /// The list entry the picture came from (0-based).
    qint32 listIndex = 0;
    /// 1 when Exif data was found, else 0.
    qint32 exifFlag = 0;
    /// Bits per pixel.
    quint16 bitDepth = 0;
    /// The JPEG quality read from the quantisation tables; unknown for other formats.
    JpegQualityEstimate jpegQuality;

    friend bool operator==(const ImageInfo &, const ImageInfo &) = default;
};

} // namespace Duovue
