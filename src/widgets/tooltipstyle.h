#pragma once

class QWidget;

namespace Duovue
{

/// Gives every widget under @p root tooltips that appear after 900 ms, as the search dialogs want.
/// Thread: GUI thread; the style object is owned by @p root.
void setTooltipDelay(QWidget *root, int milliseconds = 900);

} // namespace Duovue
