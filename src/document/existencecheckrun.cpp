#include "document/existencecheckrun.h"

#include "document/cduovuedoc.h"
#include "lists/regroup.h"

namespace Duovue
{

QString RunExistenceCheck(CDuovueDoc &document, const ExistenceCheck::Notice &notice)
{
    if (document.fileList(0).isEmpty() && document.fileList(1).isEmpty())
        return QString();
    ExistenceCheck check(notice);
    ExistenceCheck::SideResult results[2];
    for (int side = 0; side < 2; ++side) {
        const ExistenceCheck::SideResult &r = results[side] =
            check.checkSide(document.fileList(side), side, document.position(side));
        for (const auto &[row, entry] : r.refreshed)
            document.setEntry(side, row, entry);
        if (r.missing.isEmpty())
            continue;
        document.removeRows(side, r.missing);
        if (document.fileList(side).isEmpty())
            document.clearSide(side);
        else
            document.setPosition(side, r.positionAfter);
    }
    if (document.resultMode() && results[0].removed > 0) {
        const RegroupPlan plan = Regroup(document.fileList(0).primaries(), results[0].removed);
        for (int side = 0; side < 2; ++side) {
            document.removeRows(side, plan.lonelyRows);
            if (document.fileList(side).isEmpty())
                document.clearSide(side);
        }
        document.setGroupLabels(plan.labels);
    }
    return ExistenceCheck::summaryText(
        results[0], document.fileList(0).isEmpty(), results[1], document.fileList(1).isEmpty());
}

} // namespace Duovue
