#include "search/searchresults.h"

#include "document/cduovuedoc.h"

namespace Duovue::SearchResults
{

Applied apply(CDuovueDoc &document, const GroupingResult &grouping, SearchMethod method)
{
    Applied applied;
    applied.groups = grouping.groups;
    applied.items = static_cast<int>(grouping.rows.size());
    document.applySearchResults(grouping.rows);
    if (method == SearchMethod::Hash)
        applied.columns = SizeColumns::Hide;
    else if (applied.groups > 0)
        applied.columns = SizeColumns::Show;
    if (applied.columns != SizeColumns::Keep)
        document.setDimensionColumnsShown(applied.columns == SizeColumns::Show);
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
