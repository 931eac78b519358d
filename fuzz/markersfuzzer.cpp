// libFuzzer target for the JPEG marker scan: the rows of bytes fed in pieces of any size are those
// of the bytes whole, every row names a real 0xFF and code byte of the input, in file order, and
// the nesting of embedded pictures never makes a row out of nothing.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QByteArrayView>
#include <QString>

#include "pairtools/jpegmarkers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace Duovue;
    if (size == 0)
        return 0;
    // The first byte chooses the size of the pieces; the rest is the file.
    const size_t piece = 1 + data[0] % 61;
    ++data;
    --size;
    const QList<MarkerRow> whole = JpegMarkers::ScanBytes(QByteArrayView(data, qsizetype(size)));
    JpegMarkers::Scanner scanner;
    for (size_t at = 0; at < size; at += piece)
        scanner.feed(data + at, std::min(piece, size - at));
    const QList<MarkerRow> &pieces = scanner.rows();
    if (pieces.size() != whole.size() || scanner.omitted() != 0 || whole.size() > JpegMarkers::MaxRows)
        std::abort();
    quint64 previous = 0;
    for (qsizetype i = 0; i < whole.size(); ++i) {
        const MarkerRow &row = whole.at(i);
        const MarkerRow &other = pieces.at(i);
        if (row.address != other.address || row.code != other.code || row.nested != other.nested)
            std::abort();
        if (row.address + 1 >= size || data[row.address] != 0xFF || data[row.address + 1] != row.code)
            std::abort();
        if ((i > 0 && row.address <= previous) || row.description().isEmpty())
            std::abort();
        if (row.addressText().size() < 8 || row.markerText().size() != 4)
            std::abort();
        previous = row.address;
    }
    return 0;
}
