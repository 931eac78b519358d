#include "lists/listcommand.h"

#include <algorithm>

#include <QElapsedTimer>

#include "core/fileoperations.h"
#include "core/nativepath.h"
#include "core/sessionstate.h"
#include "core/shellservices.h"
#include "core/userprompts.h"
#include "document/cduovuedoc.h"
#include "document/commandcontext.h"
#include "document/listfill.h"
#include "lists/browseforfolder.h"
#include "lists/listedits.h"
#include "lists/listtarget.h"
#include "lists/resultchecks.h"

namespace Duovue
{

namespace
{

namespace FO = FileOperations;

// A single file this large already takes long enough to copy that the abort button must be there.
constexpr qint64 LargeFileBytes = qint64(16) << 20;
// The event loop runs at most this often during a copy, which keeps the copy fast.
constexpr qint64 PumpIntervalMs = 20;
// The recycle bin takes this many files at a time (about 15 ms on a local disk), with a moment for
// the progress dialog in between.
constexpr qsizetype TrashPiece = 100;
// A failure message names at most this many files and counts the rest.
constexpr int NamedFailures = 20;

QString sideWord(int side)
{
    return side == 0 ? QStringLiteral("左") : QStringLiteral("右");
}

QString deleteQuestion(int side)
{
    return sideWord(side)
        + QStringLiteral("の選択アイテムを\r\nゴミ箱へ移動する場合は「はい」を\r\n"
                         "リストから削除する場合は「いいえ」を選択してください");
}

/// Names each file that stayed, with the reason it stayed.
QString trashFailedText(const QList<FO::Result> &paths)
{
    QString text = QStringLiteral("次のファイルはゴミ箱へ移動できなかったため、リストに残しました。\r\n");
    for (qsizetype i = 0; i < std::min<qsizetype>(paths.size(), NamedFailures); ++i) {
        const FO::Result &r = paths.at(i);
        text += QStringLiteral("\r\n") + NativePath::display(r.source);
        if (!r.reason.isEmpty())
            text += QStringLiteral(" (") + r.reason + u')';
    }
    if (paths.size() > NamedFailures)
        text += QStringLiteral("\r\nほか %1 件").arg(paths.size() - NamedFailures);
    return text;
}

bool hasFile(const FileList &list, int row)
{
    return row >= 0 && row < list.size() && !list.column(1, row).isEmpty();
}

// The rows a file command works on: the selection, or in result mode (where nothing is selected)
// the focused row, as every command that needs a row does there.
QList<int> workingRows(const CDuovueDoc &document, const ListTarget &target)
{
    if (!document.resultMode())
        return target.selectedRows;
    if (target.focusedRow >= 0 && target.focusedRow < document.fileList(target.side).size())
        return {target.focusedRow};
    return {};
}

/// The progress dialog around a move, copy or recycle: shown when the work may take a while,
/// pumped at file boundaries and every PumpIntervalMs between chunks, and out of the way while a
/// question is asked (it holds back the input of every other window).
class WorkProgress
{
public:
    WorkProgress(FillProgress &progress, std::atomic<bool> &abortRequested, bool shown)
        : m_progress(progress)
        , m_abortRequested(abortRequested)
        , m_shown(shown)
    {
        if (m_shown)
            m_progress.begin();
        m_sincePump.start();
    }
    ~WorkProgress()
    {
        if (m_shown)
            m_progress.end();
        m_abortRequested = false;
    }
    WorkProgress(const WorkProgress &) = delete;
    WorkProgress &operator=(const WorkProgress &) = delete;

    /// Between two pieces of work: lets the dialog run; false once the user asked to stop.
    bool step()
    {
        if (m_shown)
            m_progress.pump();
        m_sincePump.restart();
        return !m_abortRequested.load();
    }

    FO::Hooks hooks(FO::Hooks asking)
    {
        FO::Hooks hooks;
        hooks.existingTarget = [this, ask = std::move(asking.existingTarget)](
                                   const QString &source, const QString &target) {
            if (m_shown)
                m_progress.end();
            const FO::ExistingTarget answer = ask(source, target);
            if (m_shown)
                m_progress.begin();
            return answer;
        };
        hooks.progress = [this](const FO::Progress &p) {
            if (m_shown && (p.bytesDone == 0 || m_sincePump.elapsed() >= PumpIntervalMs)) {
                m_progress.pump();
                m_sincePump.restart();
            }
            return !m_abortRequested.load();
        };
        return hooks;
    }

private:
    FillProgress &m_progress;
    std::atomic<bool> &m_abortRequested;
    bool m_shown;
    QElapsedTimer m_sincePump;
};

/// Sends the files of @p rows (ascending) to the recycle bin and removes the rows whose files left:
/// those that went to the trash, and those without a file or whose file was no longer there. The
/// others stay and are named in one message. Many files go in pieces under the progress dialog,
/// whose abort button leaves the rest where they are.
void recycleRows(const CommandContext &context, FillProgress &progress, int side, const QList<int> &rows)
{
    CDuovueDoc &document = context.document;
    const FileList &list = document.fileList(side);
    QList<int> gone;
    QList<int> fileRows;
    QStringList paths;
    for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
        if (!hasFile(list, *it)) {
            gone.append(*it);
            continue;
        }
        fileRows.append(*it);
        paths.append(list.fullPath(*it));
    }
    QList<FO::Result> kept;
    {
        WorkProgress shown(progress, context.session.abortRequested, paths.size() > TrashPiece * 2);
        for (qsizetype first = 0; first < paths.size() && shown.step(); first += TrashPiece) {
            const QList<FO::Result> results = FO::trash(context.shell, paths.mid(first, TrashPiece));
            for (qsizetype i = 0; i < results.size(); ++i) {
                if (results.at(i).sourceGone())
                    gone.append(fileRows.at(first + i));
                else
                    kept.append(results.at(i));
            }
        }
    }
    document.removeListRows(side, gone);
    if (!kept.isEmpty()) {
        std::reverse(kept.begin(), kept.end());
        context.prompts.error(trashFailedText(kept), Captions::error());
    }
}

void recycleSelected(const CommandContext &context, FillProgress &progress, const ListTarget &target)
{
    if (target.selectedRows.isEmpty()
        || !context.prompts.question(QStringLiteral("選択ファイルをゴミ箱へ移動しますか？"), Captions::confirm()))
        return;
    recycleRows(context, progress, target.side, target.selectedRows);
}

void removeSelected(const CommandContext &context, const ListTarget &target)
{
    if (target.selectedRows.isEmpty()
        || !context.prompts.question(QStringLiteral("選択アイテムをリストから削除しますか？"), Captions::confirm()))
        return;
    context.document.removeListRows(target.side, target.selectedRows);
}

void recycleChecked(const CommandContext &context, FillProgress &progress, int side)
{
    const QList<int> rows = ResultChecks::checkedRows(context.document.fileList(side).primaries());
    if (rows.isEmpty()
        || !context.prompts.question(QStringLiteral("チェックファイルをゴミ箱へ移動しますか？"), Captions::confirm()))
        return;
    recycleRows(context, progress, side, rows);
}

void removeChecked(const CommandContext &context, int side)
{
    const QList<int> rows = ResultChecks::checkedRows(context.document.fileList(side).primaries());
    if (rows.isEmpty()
        || !context.prompts.question(QStringLiteral("チェックアイテムをリストから削除しますか？"), Captions::confirm()))
        return;
    context.document.removeListRows(side, rows);
}

void clearList(const CommandContext &context, int side)
{
    if (!context.prompts.question(QStringLiteral("リスト内のファイルをすべてクリアしますか？"), Captions::confirm()))
        return;
    context.document.clearSide(side);
}

void launch(const CommandContext &context, const ListTarget &target, ShellServices::Verb verb)
{
    const CDuovueDoc &document = context.document;
    const int row =
        document.resultMode() ? target.focusedRow : (target.selectedRows.isEmpty() ? -1 : target.selectedRows.first());
    const FileList &list = document.fileList(target.side);
    if (!hasFile(list, row))
        return;
    // The answer may come once the opener has finished, after this command returned.
    UserPrompts &prompts = context.prompts;
    context.shell.launch(list.fullPath(row), verb, [&prompts](ShellServices::LaunchOutcome outcome) {
        if (outcome == ShellServices::LaunchOutcome::NoAssociation)
            prompts.error(QStringLiteral("関連付けられたアプリケーションがありません"), Captions::error());
    });
}

bool takesAWhile(const QStringList &paths)
{
    if (paths.size() > 1)
        return true;
    const std::optional<FileStamp> stamp = paths.isEmpty() ? std::nullopt : FO::stamp(paths.first());
    return stamp && stamp->size >= LargeFileBytes;
}

void transferToFolder(const CommandContext &context, FillProgress &progress, const ListTarget &target, bool moving)
{
    CDuovueDoc &document = context.document;
    const QList<int> rows = workingRows(document, target);
    if (rows.isEmpty())
        return;
    const QString folder = BrowseForFolder(
        context.prompts, context.session, moving ? BrowseKind::MoveTarget : BrowseKind::CopyTarget, target.side);
    if (folder.isEmpty())
        return;

    // A move works from the last row to the first; a copy in list order.
    const FileList &list = document.fileList(target.side);
    QList<int> fileRows;
    QStringList sources;
    for (int i = 0; i < rows.size(); ++i) {
        const int row = moving ? rows.at(rows.size() - 1 - i) : rows.at(i);
        if (!hasFile(list, row))
            continue;
        fileRows.append(row);
        sources.append(list.fullPath(row));
    }
    if (sources.isEmpty())
        return;

    QList<FO::Result> results;
    {
        WorkProgress shown(progress, context.session.abortRequested, takesAWhile(sources));
        const FO::Hooks hooks = shown.hooks(FO::askBeforeReplacing(context.prompts, moving));
        results = moving ? FO::moveToFolder(sources, folder, hooks) : FO::copyToFolder(sources, folder, hooks);
    }

    QList<int> gone;
    for (qsizetype i = 0; i < results.size(); ++i) {
        if (results.at(i).sourceGone())
            gone.append(fileRows.at(i));
    }
    if (!gone.isEmpty())
        document.removeListRows(target.side, gone);
    for (const FO::Result &result : std::as_const(results))
        FO::reportFailure(context.prompts, result);
}

void positionHere(const CommandContext &context, const ListTarget &target)
{
    if (target.selectedRows.size() != 1)
        return;
    const int row = target.selectedRows.first();
    // Refused only for the entry whose picture last failed to load in the side's pane: after a good
    // load the marker is 0 too, and entry 0 is then a fine position; before any load it is 1.
    const PaneContent &pane = context.document.pane(target.side);
    if (pane.loadFailed && pane.loadMarker == row)
        return;
    context.document.setPosition(target.side, row);
}

} // namespace

void runListCommand(const CommandContext &context, FillProgress &progress, const ListTarget &target, int commandId)
{
    CDuovueDoc &document = context.document;
    const int side = target.side;
    const QStringList labels = document.fileList(side).primaries();
    // The check commands work on group labels; outside result mode the labels are position marks.
    const bool checks = commandId >= IdListCheckAll && commandId <= IdListAutoCheckLast;
    if (checks && !document.resultMode())
        return;
    switch (commandId) {
    case IdListClear:
        clearList(context, side);
        break;
    case IdListRecycle:
        recycleSelected(context, progress, target);
        break;
    case IdListRemove:
        removeSelected(context, target);
        break;
    case IdListOpen:
        launch(context, target, ShellServices::Verb::Open);
        break;
    case IdListEdit:
        launch(context, target, ShellServices::Verb::Edit);
        break;
    case IdListMove:
        transferToFolder(context, progress, target, true);
        break;
    case IdListCopy:
        transferToFolder(context, progress, target, false);
        break;
    case IdListPositionTop:
        document.setPosition(side, 0);
        break;
    case IdListPositionHere:
        positionHere(context, target);
        break;
    case IdListCheckAll:
        document.setGroupLabels(ResultChecks::allChecked(labels));
        break;
    case IdListToggleChecks:
        document.setGroupLabels(ResultChecks::allToggled(labels));
        break;
    case IdListUncheckAll:
        document.setGroupLabels(ResultChecks::allUnchecked(labels));
        break;
    case IdListRecycleChecked:
        recycleChecked(context, progress, side);
        break;
    case IdListRemoveChecked:
        removeChecked(context, side);
        break;
    default:
        if (commandId >= IdListAutoCheckFirst && commandId <= IdListAutoCheckLast)
            document.applyCheckRule(commandId - IdListAutoCheckFirst + 1);
        break;
    }
}

void runListDeleteKey(const CommandContext &context, FillProgress &progress, const ListTarget &target)
{
    if (target.selectedRows.isEmpty())
        return;
    const bool recycle = context.prompts.question(deleteQuestion(target.side), QStringLiteral("アイテムの削除"));
    runListCommand(context, progress, target, recycle ? IdListRecycle : IdListRemove);
}

bool runListRename(const CommandContext &context, int side, int row, const QString &text)
{
    CDuovueDoc &document = context.document;
    const FileList &list = document.fileList(side);
    // The editor starts with the name as shown, undecodable bytes written "\xNN": that text
    // unchanged is no new name (and no request to name the file with those escapes).
    if (text.isEmpty() || !hasFile(list, row) || text == NativePath::display(list.column(0, row)))
        return false;
    bool hadForbidden = false;
    const QString name = ListEdits::cleanFileName(text, &hadForbidden);
    if (hadForbidden) {
        context.prompts.error(QStringLiteral("ファイル名に \"/ ? * \" < > | \\ : \" は使えません。\r\n"
                                             "取り除いて変更します。"),
            Captions::error());
    }
    if (name.isEmpty() || name == list.column(0, row))
        return false;

    const QString source = list.fullPath(row);
    const QString target = list.column(1, row) + name;
    // Never over another file: a name that is taken is refused, whatever the file system allows.
    const FO::Result result = FO::move(source, target);
    switch (result.outcome) {
    case FO::Outcome::Done:
        document.renameEntry(side, row, name);
        return true;
    case FO::Outcome::Declined:
    case FO::Outcome::SameFile:
    case FO::Outcome::ReplaceFailed:
        context.prompts.error(
            QStringLiteral("同名ファイルが存在します\n") + NativePath::display(target), Captions::error());
        return false;
    default:
        context.prompts.error(QStringLiteral("ファイル名を変更できませんでした。\n") + NativePath::display(source)
                + (result.reason.isEmpty() ? QString() : QStringLiteral("\n") + result.reason),
            Captions::error());
        return false;
    }
}

} // namespace Duovue
