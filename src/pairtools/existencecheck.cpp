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

ExistenceCheck::SideResult ExistenceCheck::checkSide(FileList &list, int side, int &position)
{
    SideResult result;
    result.before = static_cast<int>(list.size());
    qsizetype g = 0;
    while (g < list.size()) {
        const QString path = list.fullPath(g);
        const Result<FolderScan::FileFacts> facts = FolderScan::statFile(path);
        if (facts) {
            const FolderScan::FileFacts &f = facts.value();
            list.setColumn(2, g, FormatFileTime(f.created));
            list.setColumn(3, g, FormatFileTime(f.modified));
            list.setColumn(4, g, FormatFileSize(f.size));
            ++g;
            continue;
        }
        if (facts.error().code != Error::Code::NotFound) {
            ++g;
            continue;
        }
        if (!m_suppress && m_notice && m_notice(noticeText(side, path)))
            m_suppress = true;
        if (position == g)
            result.positionRemoved = true;
        else if (position > g)
            --position;
        list.removeAt(g);
        ++result.removed;
    }
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
