// libFuzzer target for the image header probe: any byte pattern must give one of the type texts,
// and nothing outside the input may be read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QByteArrayView>
#include <QString>

#include "imaging/probeimageheader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Duovue::ImageInfo info;
    const Duovue::Resolution resolution = Duovue::ProbeImageHeader(QByteArrayView(data, qsizetype(size)), info);
    // Touch every result so that the sanitizers see the values are defined.
    volatile qint64 sink = qint64(resolution.horizontal) + qint64(resolution.vertical) + info.exifFlag + info.bitDepth
        + info.typeText.size();
    (void)sink;
    if (info.exifFlag != 0 && info.exifFlag != 1)
        std::abort();
    if (info.typeText.isEmpty() && info.exifFlag != 1) // only the Exif-after-APP0 case leaves it empty
        std::abort();
    return 0;
}
