#pragma once

#include <QString>

namespace Duovue
{

struct SessionState;
class UserPrompts;

/// The three uses of the folder chooser.
enum class BrowseKind {
    ImageFolder = 0, // "画像のあるフォルダを選択してください。", no new-folder button
    CopyTarget = 1, // "コピー先を選択してください"
    MoveTarget = 2, // "移動先を選択してください"
};

/// The chooser's title for @p kind.
QString browseTitle(BrowseKind kind);

/// Asks for a folder, starting at the side's remembered folder. A chosen folder becomes the side's
/// session.lastFolder and is returned; a cancelled choice returns an empty string and changes nothing.
///
/// Thread: GUI thread (the chooser is modal).
QString BrowseForFolder(UserPrompts &prompts, SessionState &session, BrowseKind kind, int side);

} // namespace Duovue
