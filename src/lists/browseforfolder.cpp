#include "lists/browseforfolder.h"

#include "core/sessionstate.h"
#include "core/userprompts.h"

namespace Duovue
{

QString browseTitle(BrowseKind kind)
{
    switch (kind) {
    case BrowseKind::ImageFolder:
        return QStringLiteral("画像のあるフォルダを選択してください。");
    case BrowseKind::CopyTarget:
        return QStringLiteral("コピー先を選択してください");
    case BrowseKind::MoveTarget:
        return QStringLiteral("移動先を選択してください");
    }
    return QString();
}

QString BrowseForFolder(UserPrompts &prompts, SessionState &session, BrowseKind kind, int side)
{
    const QString folder =
        prompts.chooseFolder(browseTitle(kind), session.lastFolder[side], kind != BrowseKind::ImageFolder);
    if (folder.isEmpty())
        return QString();
    session.lastFolder[side] = folder;
    return folder;
}

} // namespace Duovue
