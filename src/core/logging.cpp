#include "core/logging.h"

namespace Duovue
{

Q_LOGGING_CATEGORY(lcSettings, "duovue.settings")
Q_LOGGING_CATEGORY(lcLists, "duovue.lists")
Q_LOGGING_CATEGORY(lcImaging, "duovue.imaging")
Q_LOGGING_CATEGORY(lcSearch, "duovue.search")
Q_LOGGING_CATEGORY(lcDocument, "duovue.document")
Q_LOGGING_CATEGORY(lcApp, "duovue.app")

void warnIfFailed(const QLoggingCategory &category, const Result<void> &result)
{
    if (!result.ok())
        qCWarning(category).noquote() << result.error().message;
}

} // namespace Duovue
