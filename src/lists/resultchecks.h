#pragma once

#include <QString>

namespace Duovue
{

/// The check mark of a result row lives in its group label: "-3" is a checked member of group 3.
namespace ResultChecks
{

/// The label with its check flipped: "3" gives "-3"; "-3" (or "--3") gives "3".
QString toggled(const QString &label);

} // namespace ResultChecks

} // namespace Duovue
