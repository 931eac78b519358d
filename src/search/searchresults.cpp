#include "search/searchresults.h"

#include "core/appstate.h"

namespace Duovue::SearchResults
{

Applied apply(AppState &state, const GroupingResult &grouping, SearchMethod method)
{
    Applied applied;
    applied.groups = grouping.groups;
    applied.items = static_cast<int>(grouping.rows.size());
    SearchGrouping::appendToLists(grouping.rows, state.fileList[0], state.fileList[1]);
    if (applied.groups > 0)
        state.resultMode = true;
    if (method == SearchMethod::Hash)
        applied.columns = SizeColumns::Hide;
    else if (applied.groups > 0)
        applied.columns = SizeColumns::Show;
    return applied;
}

QString noDuplicatesText()
{
    return QStringLiteral("重複ファイルはありませんでした。");
}

QString foundText(int groups, int items)
{
    return QStringLiteral("%1 組、%2 個の重複ファイルが見つかりました。").arg(groups).arg(items);
}

QString message(const Applied &applied)
{
    return applied.groups > 0 ? foundText(applied.groups, applied.items) : noDuplicatesText();
}

QString clearQuestion()
{
    return QStringLiteral("現在のリストはすべてクリアされます。\r\n続けますか？");
}

QString titleMark()
{
    return QStringLiteral(" ※比較モード");
}

QString titleWithMark(const QString &title)
{
    return title.contains(QStringLiteral("※比較モード")) ? title : title + titleMark();
}

QString statusText(const SearchProgress &progress)
{
    switch (progress.phase) {
    case SearchPhase::Idle:
        return QStringLiteral("現在の処理状態");
    case SearchPhase::Files:
        return QStringLiteral("ファイルを処理中です。");
    case SearchPhase::Compare:
    case SearchPhase::Done:
        return QStringLiteral("ファイルを比較中です。");
    }
    return QString();
}

QString countText(const SearchProgress &progress)
{
    switch (progress.phase) {
    case SearchPhase::Idle:
        return QStringLiteral("処理数");
    case SearchPhase::Files:
        return QString::number(progress.files);
    case SearchPhase::Compare:
    case SearchPhase::Done:
        return QStringLiteral("%1/%2").arg(progress.compared).arg(progress.compareTotal);
    }
    return QString();
}

} // namespace Duovue::SearchResults
