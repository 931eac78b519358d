#pragma once

#include <array>

#include <QCursor>
#include <QPixmap>
#include <QVariant>

namespace Duovue
{

/// The small pictures of the file lists, drawn in code: the four 16 x 16 row images (blank, the red
/// arrow of the comparison position, an empty check box, a check box with a red tick) and the
/// cursor shown while rows are dragged (an arrow with a dotted rectangle).
///
/// Thread: GUI thread (pixmaps). Values are returned by copy (implicitly shared).
namespace RowImages
{

constexpr int Size = 16;

/// Row image @p index (0..3).
QPixmap image(int index);

/// The four row images as the list model takes them.
std::array<QVariant, 4> modelImages();

/// The cursor of a row drag over a place where the rows can go.
QCursor dragCursor();

} // namespace RowImages

} // namespace Duovue
