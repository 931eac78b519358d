// libFuzzer target for the comparison document reader: any bytes must be refused or give lists that
// are safe to use, and whatever the reader accepts must survive a write and a second read unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QByteArray>

#include "document/documentfile.h"

namespace
{

bool sameStoredColumns(const Duovue::FileList &a, const Duovue::FileList &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        for (int c : {0, 1, 5, 6}) {
            if (a.column(c, i) != b.column(c, i))
                return false;
        }
        if (a.primary(i) != b.primary(i))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace Duovue;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const Result<DocumentReadout> read = DocumentFile::parse(bytes);
    if (!read.ok())
        return 0;
    const DocumentReadout &doc = read.value();
    for (int side = 0; side < 2; ++side) {
        const FileList &list = doc.content.lists[side];
        // Every entry needs at least its line end in the input: counts never outgrow the bytes.
        if (quint64(list.size()) > quint64(size) || quint64(list.size()) > doc.header.count[side])
            std::abort();
        const int position = doc.content.positions[side];
        if (position < 0 || (list.isEmpty() ? position != 0 : position >= list.size()))
            std::abort();
        if (!doc.content.resultMode && !list.isEmpty() && list.primary(position) != QLatin1String("1"))
            std::abort();
    }
    // A result-mode label may hold a field end of its own; such a document cannot be written back.
    const Result<QByteArray> written = DocumentFile::serialize(doc.content);
    if (!written.ok())
        return 0;
    const Result<DocumentReadout> again = DocumentFile::parse(written.value());
    if (!again.ok() || !again.value().faults.isEmpty())
        std::abort();
    for (int side = 0; side < 2; ++side) {
        if (!sameStoredColumns(doc.content.lists[side], again.value().content.lists[side]))
            std::abort();
        // In result mode the positions are not marks; a label "1" stands where the writer looks for one.
        if (!doc.content.resultMode && doc.content.positions[side] != again.value().content.positions[side])
            std::abort();
    }
    return 0;
}
