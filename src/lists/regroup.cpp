#include "lists/regroup.h"

#include <cstdlib>

#include "lists/cmysortstringarray.h"

namespace Duovue
{

RegroupPlan Regroup(const QStringList &labels, int removedCount)
{
    RegroupPlan plan;
    const qsizetype n = labels.size();
    if (n == 0)
        return plan;
    if (n == 1) {
        plan.lonelyRows.append(0);
        return plan;
    }
    QList<qint64> groups;
    groups.reserve(n);
    for (const QString &label : labels)
        groups.append(std::llabs(parseNumberText(label)));
    for (qsizetype i = 0; i < n && plan.lonelyRows.size() < removedCount; ++i) {
        const bool apartFromPrevious = i == 0 || groups[i] != groups[i - 1];
        const bool apartFromNext = i == n - 1 || groups[i] != groups[i + 1];
        if (apartFromPrevious && apartFromNext)
            plan.lonelyRows.append(static_cast<int>(i));
    }
    qint64 counter = 2;
    qint64 previous = 2;
    qsizetype lonely = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (lonely < plan.lonelyRows.size() && plan.lonelyRows[lonely] == i) {
            ++lonely;
            continue;
        }
        if (groups[i] != previous) {
            ++counter;
            previous = groups[i];
        }
        const bool checked = labels[i].startsWith(QLatin1Char('-'));
        plan.labels.append((checked ? QStringLiteral("-") : QString()) + QString::number(counter));
    }
    return plan;
}

} // namespace Duovue
