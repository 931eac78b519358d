#pragma once

#include <QLoggingCategory>

#include "core/result.h"

namespace Duovue
{

/// One logging category per subsystem ("duovue.settings", "duovue.lists", ...). Handled surprises
/// that no one can be told about (a settings write that failed as a window closed) go here rather
/// than nowhere; enable them with QT_LOGGING_RULES, for example "duovue.*.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
Q_DECLARE_LOGGING_CATEGORY(lcLists)
Q_DECLARE_LOGGING_CATEGORY(lcImaging)
Q_DECLARE_LOGGING_CATEGORY(lcSearch)
Q_DECLARE_LOGGING_CATEGORY(lcDocument)
Q_DECLARE_LOGGING_CATEGORY(lcApp)

/// Logs @p result as a warning of @p category when it failed. Thread: any.
void warnIfFailed(const QLoggingCategory &category, const Result<void> &result);

} // namespace Duovue
