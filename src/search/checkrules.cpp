#include "search/checkrules.h"

#include <QStringList>

#include "lists/resultchecks.h"

namespace Duovue::CheckRules
{

namespace
{

void check(FileList &left, FileList &right, qsizetype row)
{
    left.setPrimary(row, QLatin1Char('-') + left.primary(row));
    if (row < right.size())
        right.setPrimary(row, QLatin1Char('-') + right.primary(row));
}

// Sizes and widths are read as 64-bit numbers, so files beyond 2 GB still compare by size.
qint64 numberAt(const FileList &list, int column, qsizetype row)
{
    return parseNumberText(list.column(column, row));
}

int applyToRun(int rule, FileList &left, FileList &right, qsizetype start, qsizetype length)
{
    if (length < 2)
        return 0;
    qsizetype kept = start;
    int checked = 0;
    auto dropKept = [&](qsizetype i) {
        check(left, right, kept);
        kept = i;
        ++checked;
    };
    auto dropRow = [&](qsizetype i) {
        check(left, right, i);
        ++checked;
    };
    switch (rule) {
    case KeepLargest:
    case KeepWidest:
    case KeepSmallest:
    case KeepNarrowest: {
        const int column = (rule == KeepLargest || rule == KeepSmallest) ? 4 : 5;
        const bool keepLarger = rule == KeepLargest || rule == KeepWidest;
        qint64 best = numberAt(left, column, start);
        for (qsizetype i = start + 1; i < start + length; ++i) {
            const qint64 v = numberAt(left, column, i);
            // Larger: among equals the earliest row stays. Smaller: among equals the latest.
            if (keepLarger ? best < v : !(best < v)) {
                dropKept(i);
                best = v;
            } else {
                dropRow(i);
            }
        }
        break;
    }
    case KeepNewest:
    case KeepOldest: {
        QString best = left.column(3, start);
        for (qsizetype i = start + 1; i < start + length; ++i) {
            const QString &v = left.column(3, i);
            const int order = TextColumnCompare(best, v, false);
            if (rule == KeepNewest ? order < 0 : order > 0) {
                dropKept(i);
                best = v;
            } else {
                dropRow(i);
            }
        }
        break;
    }
    default:
        break;
    }
    return checked;
}

} // namespace

int apply(int rule, FileList &left, FileList &right)
{
    if (rule <= None || rule >= RuleCount)
        return 0;
    for (FileList *list : {&left, &right}) {
        for (qsizetype i = 0; i < list->size(); ++i) {
            if (ResultChecks::isChecked(list->primary(i)))
                list->setPrimary(i, ResultChecks::unchecked(list->primary(i)));
        }
    }
    int checked = 0;
    qint64 current = 2;
    qsizetype run = 0;
    for (qsizetype j = 0; j < left.size(); ++j) {
        const qint64 g = ResultChecks::groupOf(left.primary(j));
        if (g != current) {
            checked += applyToRun(rule, left, right, j - run, run);
            run = 0;
        }
        ++run;
        current = g;
    }
    checked += applyToRun(rule, left, right, left.size() - run, run);
    return checked;
}

int ruleFromName(const QString &name)
{
    static const QStringList names{QStringLiteral("none"),
        QStringLiteral("largest"),
        QStringLiteral("smallest"),
        QStringLiteral("newest"),
        QStringLiteral("oldest"),
        QStringLiteral("widest"),
        QStringLiteral("narrowest")};
    const int index = static_cast<int>(names.indexOf(name.toLower()));
    if (index >= 0)
        return index;
    bool ok = false;
    const int number = name.toInt(&ok);
    return ok && number >= 0 && number < RuleCount ? number : -1;
}

} // namespace Duovue::CheckRules
