#include "document/existencecheckrun.h"

#include <algorithm>

#include "document/cduovuedoc.h"

namespace Duovue
{

QString RunExistenceCheck(CDuovueDoc &document, const ExistenceCheck::Notice &notice)
{
    if (document.fileList(0).isEmpty() && document.fileList(1).isEmpty())
        return QString();
    ExistenceCheck check(notice);
    ExistenceCheck::SideResult results[2];
    const bool resultMode = document.resultMode();
    for (int side = 0; side < 2; ++side) {
        results[side] = check.checkSide(document.fileList(side), side);
        for (const auto &[row, entry] : results[side].refreshed)
            document.setEntry(side, row, entry);
        // Each list loses its own missing rows: the position stays on its entry (row 0 when that
        // entry went), and an emptied side gets the empty-side reset.
        if (!resultMode)
            document.removeListRows(side, results[side].missing);
    }
    if (resultMode) {
        // Both lists hold the same result rows, so both walks found the same files gone; the
        // document removes them from both lists at once and regroups what is left.
        QList<int> missing = results[0].missing + results[1].missing;
        std::sort(missing.begin(), missing.end());
        missing.erase(std::unique(missing.begin(), missing.end()), missing.end());
        document.removeListRows(0, missing);
    }
    return ExistenceCheck::summaryText(
        results[0], document.fileList(0).isEmpty(), results[1], document.fileList(1).isEmpty());
}

} // namespace Duovue
