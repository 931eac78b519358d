#pragma once

#include <QList>
#include <QPixmap>

namespace Duovue
{

/// The frames of the progress dialog's endless animation: two picture cards and a dot running from
/// one to the other, drawn in code. Thread: GUI thread (QPixmap).
namespace ProgressFrames
{

constexpr int Count = 10;
constexpr int Width = 168;
constexpr int Height = 54;

QList<QPixmap> frames();

} // namespace ProgressFrames

} // namespace Duovue
