#pragma once

#include <QString>

namespace Duovue
{

struct AppState;

/// The check mark of a result row lives in its group label: "-3" is a checked member of group 3.
namespace ResultChecks
{

/// The label with its check flipped: "3" gives "-3"; "-3" (or "--3") gives "3".
QString toggled(const QString &label);

/// Flips the check of row @p row in both lists (they hold the same result rows). Rows missing
/// from a list are left alone.
void toggleRow(AppState &state, int row);

} // namespace ResultChecks

} // namespace Duovue
