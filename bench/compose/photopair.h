#pragma once

#include <QImage>
#include <QSize>

namespace Duovue::Bench
{

/// A photograph-like landscape (sky with clouds and sun, mountain ranges, a lake with reflections,
/// a meadow with trees and a house, film grain), drawn in code from @p seed. @p retouched draws the
/// same scene as an editor would have touched it up: a tree removed, the roof repainted, a boat
/// added, the whole slightly brighter. Format_RGB32.
QImage makePhoto(QSize size, quint32 seed, bool retouched);

} // namespace Duovue::Bench
