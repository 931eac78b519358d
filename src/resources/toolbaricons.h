#pragma once

#include <QIcon>

namespace Duovue
{

/// Our own 18 x 18 toolbar pictures and the program icon, drawn in code so they stay sharp and need
/// no image files. Thread: GUI thread (QIcon, QPixmap).
namespace ToolbarIcons
{
QIcon forCommand(int commandId);
QIcon programIcon();
} // namespace ToolbarIcons

} // namespace Duovue
