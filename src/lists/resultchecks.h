#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace Duovue
{

/// The check mark of a result row lives in its group label: "-3" is a checked member of group 3.
/// Both lists carry the same labels, so these work on one list's labels and the document writes
/// the outcome into both.
///
/// Thread: any (plain values).
namespace ResultChecks
{

/// The label with its check flipped: "3" gives "-3"; "-3" (or "--3") gives "3".
QString toggled(const QString &label);
/// The label without its leading "-" characters.
QString unchecked(const QString &label);
bool isChecked(const QString &label);
/// The group number of a label: the absolute value of the number it starts with (0 without one).
qint64 groupOf(const QString &label);

/// Every label checked ("-" put before those without one).
QStringList allChecked(const QStringList &labels);
/// Every label unchecked (all leading "-" removed).
QStringList allUnchecked(const QStringList &labels);
/// Every label flipped, as toggled() does.
QStringList allToggled(const QStringList &labels);
/// The indices of the checked labels, ascending.
QList<int> checkedRows(const QStringList &labels);

} // namespace ResultChecks

} // namespace Duovue
