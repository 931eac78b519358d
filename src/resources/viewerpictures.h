#pragma once

#include <QCursor>
#include <QIcon>

namespace Duovue
{

/// Our own drawings for the viewer's picture panes and the compositing window: the open- and
/// closed-hand cursors of panning and the 12 x 12 menu pictures of the rotations, flips (the pane
/// menu) and composite methods (the compositing window's menu), drawn in code. Thread: GUI thread
/// (QPixmap).
namespace ViewerPictures
{

/// The cursor over a pane that can be panned.
QCursor openHandCursor();
/// The cursor while a pane is being panned.
QCursor closedHandCursor();
/// The menu picture of command @p commandId (IdRotateLeft .. IdFlipHorizontal, IdMethodRows ..
/// IdMethodDots); a null icon for other commands.
QIcon menuPicture(int commandId);

} // namespace ViewerPictures

} // namespace Duovue
