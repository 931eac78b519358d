#include "pairtools/existencecheck.h"

#include "lists/folderscan.h"
#include "lists/textformats.h"

namespace Duovue
{

ExistenceCheck::ExistenceCheck(Notice notice)
    : m_notice(std::move(notice))
{
}

QString ExistenceCheck::noticeText(int side, const QString &path)
{
    return (side == 0 ? QStringLiteral("左のリスト内") : QStringLiteral("右のリスト内"))
        + QStringLiteral("\r\nファイルが存在しません。\r\nリストから削除します。\r\n\r\n") + path;
}

ExistenceCheck::SideResult ExistenceCheck::checkSide(const FileList &list, int side)
{
    SideResult result;
    result.before = static_cast<int>(list.size());
    for (int g = 0; g < result.before; ++g) {
        const QString path = list.fullPath(g);
        const Result<FolderScan::FileFacts> facts = FolderScan::statFile(path);
        if (facts) {
            const FolderScan::FileFacts &f = facts.value();
            FileList::Entry entry = list.entry(g);
            const QString created = FormatFileTime(f.created);
            const QString modified = FormatFileTime(f.modified);
            const QString size = FormatFileSize(f.size);
            if (entry.columns[2] != created || entry.columns[3] != modified || entry.columns[4] != size) {
                entry.columns[2] = created;
                entry.columns[3] = modified;
                entry.columns[4] = size;
                result.refreshed.append({g, std::move(entry)});
            }
            continue;
        }
        if (facts.error().code != Error::Code::NotFound)
            continue;
        if (!m_suppress && m_notice && m_notice(noticeText(side, path)))
            m_suppress = true;
        result.missing.append(g);
    }
    result.removed = static_cast<int>(result.missing.size());
    return result;
}

QString ExistenceCheck::summaryText(
    const SideResult &left, bool leftNowEmpty, const SideResult &right, bool rightNowEmpty)
{
    const auto sideText = [](const SideResult &r, bool nowEmpty, const QString &name) -> QString {
        if (r.before > 0 && r.removed > 0) {
            QString text = name + QStringLiteral("のリストは %1 個存在しませんでした。").arg(r.removed);
            if (nowEmpty)
                text += QStringLiteral("\r\n") + name + QStringLiteral("のリストは空になりました。");
            return text;
        }
        return name
            + (r.before == 0 ? QStringLiteral("のリストは空です。") : QStringLiteral("のリストはすべて有りました。"));
    };
    return sideText(left, leftNowEmpty, QStringLiteral("左")) + QStringLiteral("\r\n\r\n")
        + sideText(right, rightNowEmpty, QStringLiteral("右"));
}

} // namespace Duovue
