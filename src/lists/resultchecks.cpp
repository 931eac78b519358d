#include "lists/resultchecks.h"

#include "core/appstate.h"

namespace Duovue::ResultChecks
{

QString toggled(const QString &label)
{
    if (!label.startsWith(QLatin1Char('-')))
        return QLatin1Char('-') + label;
    qsizetype i = 0;
    while (i < label.size() && label.at(i) == QLatin1Char('-'))
        ++i;
    return label.mid(i);
}

void toggleRow(AppState &state, int row)
{
    for (FileList &list : state.fileList) {
        if (row >= 0 && row < list.size())
            list.setPrimary(row, toggled(list.primary(row)));
    }
}

} // namespace Duovue::ResultChecks
