#include "lists/resultchecks.h"

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

} // namespace Duovue::ResultChecks
