#include "lists/resultchecks.h"

#include "lists/cmysortstringarray.h"

namespace Duovue::ResultChecks
{

namespace
{

template <typename Change> QStringList changedLabels(const QStringList &labels, Change change)
{
    QStringList out;
    out.reserve(labels.size());
    for (const QString &label : labels)
        out.append(change(label));
    return out;
}

} // namespace

QString toggled(const QString &label)
{
    return isChecked(label) ? unchecked(label) : QLatin1Char('-') + label;
}

QString unchecked(const QString &label)
{
    qsizetype i = 0;
    while (i < label.size() && label.at(i) == QLatin1Char('-'))
        ++i;
    return label.mid(i);
}

bool isChecked(const QString &label)
{
    return label.startsWith(QLatin1Char('-'));
}

qint64 groupOf(const QString &label)
{
    const qint64 v = parseNumberText(label);
    return v < 0 ? -v : v;
}

QStringList allChecked(const QStringList &labels)
{
    return changedLabels(labels, [](const QString &label) {
        return isChecked(label) ? label : QLatin1Char('-') + label;
    });
}

QStringList allUnchecked(const QStringList &labels)
{
    return changedLabels(labels, &unchecked);
}

QStringList allToggled(const QStringList &labels)
{
    return changedLabels(labels, &toggled);
}

QList<int> checkedRows(const QStringList &labels)
{
    QList<int> rows;
    for (qsizetype i = 0; i < labels.size(); ++i) {
        if (isChecked(labels.at(i)))
            rows.append(static_cast<int>(i));
    }
    return rows;
}

} // namespace Duovue::ResultChecks
