#include "resources/commandtable.h"

#include <QCoreApplication>

namespace Duovue::Commands
{

namespace
{

constexpr CommandId after(CommandId id, int steps)
{
    return static_cast<CommandId>(id + steps);
}

// clang-format off
constexpr Command Table[] = {
    {IdFileNew, QT_TRANSLATE_NOOP("Commands", "新規作成\tCtrl+N(&N)"), QT_TRANSLATE_NOOP("Commands", "新規ファイル"), Qt::CTRL | Qt::Key_N},
    {IdFileOpen, QT_TRANSLATE_NOOP("Commands", "開く...\tCtrl+O(&O)"), QT_TRANSLATE_NOOP("Commands", "開く"), Qt::CTRL | Qt::Key_O},
    {IdFileSave, QT_TRANSLATE_NOOP("Commands", "上書き保存\tCtrl+S(&S)"), QT_TRANSLATE_NOOP("Commands", "保存"), Qt::CTRL | Qt::Key_S},
    {IdFileSaveAs, QT_TRANSLATE_NOOP("Commands", "名前を付けて保存(&A)...")},
    {IdAppExit, QT_TRANSLATE_NOOP("Commands", "アプリケーションの終了(&X)")},
    {IdViewToolbar, QT_TRANSLATE_NOOP("Commands", "ツール バー(&T)")},
    {IdCompose, QT_TRANSLATE_NOOP("Commands", "画像の合成\tCtrl+G(&G)"), QT_TRANSLATE_NOOP("Commands", "画像の合成"), Qt::CTRL | Qt::Key_G},
    {IdViewerOpen, QT_TRANSLATE_NOOP("Commands", "画像の見比べ\tCtrl+A(&A)"), QT_TRANSLATE_NOOP("Commands", "見比べ"), Qt::CTRL | Qt::Key_A},
    {IdBinaryCompare, QT_TRANSLATE_NOOP("Commands", "バイナリ比較\t\tCtrl+B(&B)"), QT_TRANSLATE_NOOP("Commands", "バイナリ比較"), Qt::CTRL | Qt::Key_B,
        QT_TRANSLATE_NOOP("Commands", "バイナリ単位で比較します")},
    {IdDifferenceAnalysis, QT_TRANSLATE_NOOP("Commands", "違い解析\t\tCtrl+Y(&Y)"), QT_TRANSLATE_NOOP("Commands", "違い解析"), Qt::CTRL | Qt::Key_Y,
        QT_TRANSLATE_NOOP("Commands", "違いを解析します。")},
    {IdJpegCompare, QT_TRANSLATE_NOOP("Commands", "JPEG比較\t\tCtrl+J(&J)"), QT_TRANSLATE_NOOP("Commands", "JPEG比較"), Qt::CTRL | Qt::Key_J,
        QT_TRANSLATE_NOOP("Commands", "JPEGマーカーを比較します")},
    {IdExistenceCheck, QT_TRANSLATE_NOOP("Commands", "ファイルの有無チェック(&F)"), QT_TRANSLATE_NOOP("Commands", "ファイルの有無をチェック"), {},
        QT_TRANSLATE_NOOP("Commands", "リスト内のファイルが実在するか調べます")},
    {IdSimilarSearch, QT_TRANSLATE_NOOP("Commands", "類似画像検索(&C)"), QT_TRANSLATE_NOOP("Commands", "類似画像検索")},
    {IdSettings, QT_TRANSLATE_NOOP("Commands", "環境設定(&S)")},
    {IdHelp, QT_TRANSLATE_NOOP("Commands", "ヘルプ(&H)"), QT_TRANSLATE_NOOP("Commands", "ヘルプ")},
    {IdUpdateCheck, QT_TRANSLATE_NOOP("Commands", "アップデートチェック(&U)"), QT_TRANSLATE_NOOP("Commands", "アップデートチェック"), {},
        QT_TRANSLATE_NOOP("Commands", "アップデートの有無をチェックします")},
    {IdAppAbout, QT_TRANSLATE_NOOP("Commands", "バージョン情報(&A)...")},

    {IdListClear, QT_TRANSLATE_NOOP("Commands", "リストをクリア(&L)")},
    {IdListRecycle, QT_TRANSLATE_NOOP("Commands", "ゴミ箱へ移動(&D)")},
    {IdListRemove, QT_TRANSLATE_NOOP("Commands", "リストから削除(&R)")},
    {IdListSelectAll, QT_TRANSLATE_NOOP("Commands", "すべて選択(&A)")},
    {IdListInvertSelection, QT_TRANSLATE_NOOP("Commands", "選択の切り替え(&I)")},
    {IdListOpen, QT_TRANSLATE_NOOP("Commands", "関連付けされたアプリで開く(&O)")},
    {IdListEdit, QT_TRANSLATE_NOOP("Commands", "関連付けされたアプリで編集(&E)")},
    {IdListMove, QT_TRANSLATE_NOOP("Commands", "フォルダへ移動(&M)")},
    {IdListCopy, QT_TRANSLATE_NOOP("Commands", "フォルダへコピー(&C)")},
    {IdListPositionTop, QT_TRANSLATE_NOOP("Commands", "見比べ位置を先頭へ(&T)")},
    {IdListPositionHere, QT_TRANSLATE_NOOP("Commands", "ここを見比べ位置にする(&S)")},
    {IdListRename, QT_TRANSLATE_NOOP("Commands", "ファィル名の編集(&F)")},
    {IdListCheckAll, QT_TRANSLATE_NOOP("Commands", "すべてチェック(&Y)")},
    {IdListToggleChecks, QT_TRANSLATE_NOOP("Commands", "チェックの切り替え(&K)")},
    {IdListUncheckAll, QT_TRANSLATE_NOOP("Commands", "チェックをすべて外す(&W)")},
    {IdListRecycleChecked, QT_TRANSLATE_NOOP("Commands", "チェックアイテムをゴミ箱へ移動(&G)")},
    {IdListRemoveChecked, QT_TRANSLATE_NOOP("Commands", "チェックアイテムをリストから削除(&H)")},
    {IdListAutoCheckFirst, QT_TRANSLATE_NOOP("Commands", "ファイルサイズの大きいもの(&B)")},
    {after(IdListAutoCheckFirst, 1), QT_TRANSLATE_NOOP("Commands", "ファイルサイズの小さいもの(&S)")},
    {after(IdListAutoCheckFirst, 2), QT_TRANSLATE_NOOP("Commands", "更新日時が新しいもの(&N)")},
    {after(IdListAutoCheckFirst, 3), QT_TRANSLATE_NOOP("Commands", "更新日時が古いもの(&O)")},
    {after(IdListAutoCheckFirst, 4), QT_TRANSLATE_NOOP("Commands", "幅の大きいもの(&W)")},
    {IdListAutoCheckLast, QT_TRANSLATE_NOOP("Commands", "幅の小さいもの(&H)")},

    {IdAutoAdvanceStart, QT_TRANSLATE_NOOP("Commands", "開始(&S)")},
    {IdAutoAdvanceStop, QT_TRANSLATE_NOOP("Commands", "停止(&E)")},
    {IdRotateLeft, QT_TRANSLATE_NOOP("Commands", "左へ90度回転(&L)")},
    {IdRotateRight, QT_TRANSLATE_NOOP("Commands", "右へ90度回転(&R)")},
    {IdRotate180, QT_TRANSLATE_NOOP("Commands", "180度回転(&T)")},
    {IdFlipVertical, QT_TRANSLATE_NOOP("Commands", "上下反転(&U)")},
    {IdFlipHorizontal, QT_TRANSLATE_NOOP("Commands", "左右反転(&S)")},
    {IdActualSize, QT_TRANSLATE_NOOP("Commands", "実物大(&R)")},
    {IdFitToWindow, QT_TRANSLATE_NOOP("Commands", "ウインドウに合わせる(&F)")},
    {IdZoom100, QT_TRANSLATE_NOOP("Commands", " &100%")},
    {IdZoom200, QT_TRANSLATE_NOOP("Commands", " &200%")},
    {IdZoom300, QT_TRANSLATE_NOOP("Commands", " &300%")},
    {IdZoom500, QT_TRANSLATE_NOOP("Commands", " &500%")},
    {IdZoom1000, QT_TRANSLATE_NOOP("Commands", "1000% (&Z)")},
    {IdColour, QT_TRANSLATE_NOOP("Commands", "カラー(&C)")},
    {IdInverted, QT_TRANSLATE_NOOP("Commands", "反転(&I)")},
    {IdMonochrome, QT_TRANSLATE_NOOP("Commands", "白黒(&M)")},
    {IdBrightness, QT_TRANSLATE_NOOP("Commands", "明度調整(&B)")},
    //: Viewer pane menu: show where the right picture differs from the left one (key D).
    {IdDifferenceMode, QT_TRANSLATE_NOOP("Commands", "差分表示(&E)\tD")},
    //: Viewer pane menu: one pane, left picture left of a divider, right picture right of it (key V).
    {IdSplitMode, QT_TRANSLATE_NOOP("Commands", "分割表示(&V)\tV")},
    //: Viewer pane menu: show left and right alternately in the left pane (key F).
    {IdFlicker, QT_TRANSLATE_NOOP("Commands", "点滅表示(&K)\tF")},
    //: Viewer pane menu: zooming or scrolling one pane does the same to the other.
    {IdLinkedViews, QT_TRANSLATE_NOOP("Commands", "ズームとスクロールを連動(&N)")},
    //: Viewer pane menu: the small dialog with the difference tolerance and the flicker interval.
    {IdComparisonOptions, QT_TRANSLATE_NOOP("Commands", "比較の設定(&O)...")},
    {IdMoveToFolder, QT_TRANSLATE_NOOP("Commands", "フォルダへ移動(&M)")},
    {IdCopyToFolder, QT_TRANSLATE_NOOP("Commands", "フォルダへコピー(&C)")},
    {IdTrash, QT_TRANSLATE_NOOP("Commands", "ゴミ箱へ移動(&D)")},
    {IdBackToTop, QT_TRANSLATE_NOOP("Commands", "先頭へ戻る(&T)")},
    {IdImageInfo, QT_TRANSLATE_NOOP("Commands", "画像情報(&I)")},

    {IdMethodRows, QT_TRANSLATE_NOOP("Commands", "横向き(&W)")},
    {IdMethodColumns, QT_TRANSLATE_NOOP("Commands", "縦向き(&H)")},
    {IdMethodDots, QT_TRANSLATE_NOOP("Commands", "ドット(&D)")},
    {IdAspectFree, QT_TRANSLATE_NOOP("Commands", "フリー(&F)")},
    {IdAspectOriginal, QT_TRANSLATE_NOOP("Commands", "オリジナル(&O)")},
    {IdRatio1, QT_TRANSLATE_NOOP("Commands", "&1 pixel")},
    {IdRatio2, QT_TRANSLATE_NOOP("Commands", "&2 pixel")},
    {IdRatio3, QT_TRANSLATE_NOOP("Commands", "&3 pixel")},
    {IdRatio4, QT_TRANSLATE_NOOP("Commands", "&4 pixel")},
    {IdRatio5, QT_TRANSLATE_NOOP("Commands", "&5 pixel")},
    {IdResetSlide, QT_TRANSLATE_NOOP("Commands", "スライド位置を元に戻す(&R)")},
    {IdResetSize, QT_TRANSLATE_NOOP("Commands", "サイズを元に戻す(&Z)")},
    {IdCompositeSave, QT_TRANSLATE_NOOP("Commands", "名前を付けて保存(&S)")},
};
// clang-format on

constexpr bool eachCommandOnce()
{
    for (std::size_t i = 0; i < std::size(Table); ++i) {
        for (std::size_t j = i + 1; j < std::size(Table); ++j) {
            if (Table[i].id == Table[j].id)
                return false;
        }
    }
    return true;
}
static_assert(eachCommandOnce(), "a command has two rows in the table");

QString translated(const char *text)
{
    return text ? QCoreApplication::translate("Commands", text) : QString();
}

} // namespace

std::span<const Command> all()
{
    return Table;
}

const Command &of(int id)
{
    for (const Command &command : Table) {
        if (command.id == id)
            return command;
    }
    Q_ASSERT_X(false, "Commands::of", "a command without a row in the table");
    return Table[0];
}

QString caption(int id)
{
    return translated(of(id).caption).replace(QLatin1String("\t\t"), QLatin1String("\t"));
}

QString captionWithoutShortcut(int id)
{
    const QString text = translated(of(id).caption);
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    if (tab < 0)
        return text;
    // The mnemonic stays: in "バイナリ比較\t\tCtrl+B(&B)" it follows the shortcut.
    const qsizetype mnemonic = text.lastIndexOf(QLatin1String("(&"));
    return text.left(tab) + (mnemonic > tab ? text.mid(mnemonic) : QString());
}

QString toolTip(int id)
{
    const Command &command = of(id);
    return command.toolTip ? translated(command.toolTip) : caption(id).section(QLatin1Char('\t'), 0, 0);
}

QString statusTip(int id)
{
    return translated(of(id).statusTip);
}

} // namespace Duovue::Commands
