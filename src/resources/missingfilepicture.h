#pragma once

#include <QImage>

namespace Duovue
{

/// The 223 x 30 placeholder shown instead of a picture whose file does not exist: the words
/// ファイルがありません in red on white. Format_RGB32. Thread: GUI thread (it draws text); drawn once.
QImage MissingFileBitmap();

} // namespace Duovue
