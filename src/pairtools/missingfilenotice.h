#pragma once

#include <QString>

class QWidget;

namespace Duovue
{

/// The missing-file notice of the file existence check ("確認"): the text, the check box
/// "これ以降、このダイアログを表示しない。" and the button "O K". Returns true when the box was
/// ticked. Thread: GUI thread.
bool showMissingFileNotice(QWidget *parent, const QString &text);

} // namespace Duovue
