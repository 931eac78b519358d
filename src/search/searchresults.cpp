#include "search/searchresults.h"

#include <algorithm>

#include <QCoreApplication>
#include <QStringList>

namespace Duovue::SearchResults
{

Applied summarize(const GroupingResult &grouping, SearchMethod method)
{
    Applied applied;
    applied.groups = grouping.groups;
    applied.items = static_cast<int>(grouping.rows.size());
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

QString message(const Applied &applied, const SearchOutcome &outcome, int named)
{
    QStringList lines{message(applied)};
    switch (outcome.abortedIn) {
    case SearchPhase::Files:
        lines << QCoreApplication::translate("SearchResults",
            "ファイルを集めている途中で検索を中止しました。フォルダのファイルの一部だけを比べました。"
            "読み込んだファイル: %1 / %2")
                     .arg(outcome.filesRead)
                     .arg(outcome.filesGathered);
        break;
    case SearchPhase::Keys:
        lines << QCoreApplication::translate(
            "SearchResults", "画像を読み込んでいる途中で検索を中止しました。読み込んだファイル: %1 / %2")
                     .arg(outcome.filesRead)
                     .arg(outcome.filesGathered);
        break;
    case SearchPhase::Compare:
        lines << QCoreApplication::translate(
            "SearchResults", "ファイルを比較している途中で検索を中止しました。比較したファイル: %1 / %2")
                     .arg(outcome.compared)
                     .arg(outcome.compareTotal);
        break;
    case SearchPhase::Idle:
    case SearchPhase::Done:
        break;
    }
    const int unread = static_cast<int>(outcome.unreadable.size());
    if (unread > 0) {
        lines << QCoreApplication::translate("SearchResults", "読めなかったファイル: %n", nullptr, unread);
        const int shown = std::min(unread, std::max(named, 0));
        for (int i = 0; i < shown; ++i)
            lines << outcome.unreadable[std::size_t(i)].path;
        if (shown > 0 && shown < unread)
            lines << QCoreApplication::translate("SearchResults", "ほか %n 個", nullptr, unread - shown);
    }
    return lines.join(QLatin1Char('\n'));
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
    case SearchPhase::Keys:
        return QCoreApplication::translate("SearchResults", "画像を読み込み中です。");
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
    case SearchPhase::Keys: // of every file gathered: the walk has ended
        return QStringLiteral("%1/%2").arg(progress.read).arg(progress.files);
    case SearchPhase::Compare:
    case SearchPhase::Done:
        return QStringLiteral("%1/%2").arg(progress.compared).arg(progress.compareTotal);
    }
    return QString();
}

} // namespace Duovue::SearchResults
