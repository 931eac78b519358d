#include "viewer/cpanemenu.h"

#include <QActionGroup>

#include "viewer/viewercommands.h"
#include "viewer/viewergeometry.h"
#include "viewer/viewerpictures.h"

namespace Duovue
{

CPaneMenu::CPaneMenu(QWidget *parent)
    : QMenu(parent)
{
    setObjectName(QStringLiteral("Img_con"));
    QMenu *autoAdvance = addMenu(QStringLiteral("自動送り(&A)"));
    add(autoAdvance, IdAutoAdvanceStart, QStringLiteral("開始(&S)"));
    add(autoAdvance, IdAutoAdvanceStop, QStringLiteral("停止(&E)"));
    addSeparator();
    add(this, IdRotateLeft, QStringLiteral("左へ90度回転(&L)"));
    add(this, IdRotateRight, QStringLiteral("右へ90度回転(&R)"));
    add(this, IdRotate180, QStringLiteral("180度回転(&T)"));
    add(this, IdFlipVertical, QStringLiteral("上下反転(&U)"));
    add(this, IdFlipHorizontal, QStringLiteral("左右反転(&S)"));
    addSeparator();
    auto *display = new QActionGroup(this);
    add(this, IdActualSize, QStringLiteral("実物大(&R)"), display);
    add(this, IdFitToWindow, QStringLiteral("ウインドウに合わせる(&F)"), display);
    addSeparator();
    auto *zoom = new QActionGroup(this);
    const QString zoomTexts[] = {QStringLiteral(" &100%"),
        QStringLiteral(" &200%"),
        QStringLiteral(" &300%"),
        QStringLiteral(" &500%"),
        QStringLiteral("1000% (&Z)")};
    for (int i = 0; i < int(ViewerGeometry::ZoomFactors.size()); ++i)
        add(this, IdZoom100 + i, zoomTexts[i], zoom);
    addSeparator();
    auto *colour = new QActionGroup(this);
    add(this, IdColour, QStringLiteral("カラー(&C)"), colour);
    add(this, IdInverted, QStringLiteral("反転(&I)"), colour);
    add(this, IdMonochrome, QStringLiteral("白黒(&M)"), colour);
    addSeparator();
    add(this, IdBrightness, QStringLiteral("明度調整(&B)"));
    addSeparator();
    //: Viewer pane menu: show where the right picture differs from the left one (key D).
    add(this, IdDifferenceMode, tr("差分表示(&D)\tD"))->setCheckable(true);
    //: Viewer pane menu: one pane, left picture left of a divider, right picture right of it (key V).
    add(this, IdSplitMode, tr("分割表示(&V)\tV"))->setCheckable(true);
    //: Viewer pane menu: show left and right alternately in the left pane (key F).
    add(this, IdFlicker, tr("点滅表示(&K)\tF"))->setCheckable(true);
    //: Viewer pane menu: zooming or scrolling one pane does the same to the other.
    add(this, IdLinkedViews, tr("ズームとスクロールを連動(&N)"))->setCheckable(true);
    //: Viewer pane menu: the small dialog with the difference tolerance and the flicker interval.
    add(this, IdComparisonOptions, tr("比較の設定(&O)..."));
    addSeparator();
    add(this, IdMoveToFolder, QStringLiteral("フォルダへ移動(&M)"));
    add(this, IdCopyToFolder, QStringLiteral("フォルダへコピー(&C)"));
    add(this, IdTrash, QStringLiteral("ゴミ箱へ移動(&D)"));
    addSeparator();
    add(this, IdBackToTop, QStringLiteral("先頭へ戻る(&T)"));
    addSeparator();
    add(this, IdPaneCompose, QStringLiteral("画像の合成\t\tCtrl+G(&G)"));
    add(this, IdPaneBinaryCompare, QStringLiteral("バイナリ比較\t\tCtrl+B(&B)"));
    add(this, IdPaneDifferenceAnalysis, QStringLiteral("違い解析\tCtrl+Y(&Y)"));
    add(this, IdPaneJpegCompare, QStringLiteral("JPEG比較\t\tCtrl+J(&J)"));
    addSeparator();
    add(this, IdImageInfo, QStringLiteral("画像情報(&I)"));
    syncChecks(IdActualSize, 1, 0);
}

QAction *CPaneMenu::add(QMenu *menu, int id, const QString &text, QActionGroup *group)
{
    // Qt shows the text after the first tab as the shortcut column; a second tab would show there.
    QAction *a = menu->addAction(QString(text).replace(QLatin1String("\t\t"), QLatin1String("\t")));
    a->setData(id);
    a->setIcon(ViewerPictures::menuPicture(id));
    a->setIconVisibleInMenu(true);
    if (group) {
        a->setCheckable(true);
        group->addAction(a);
    }
    connect(a, &QAction::triggered, this, [this, id] {
        Q_EMIT commandTriggered(id);
    });
    m_actions.insert(id, a);
    return a;
}

void CPaneMenu::syncModeChecks(bool difference, bool split, bool flicker, bool linked)
{
    const std::pair<int, bool> checks[] = {
        {IdDifferenceMode, difference}, {IdSplitMode, split}, {IdFlicker, flicker}, {IdLinkedViews, linked}};
    for (const auto &[id, on] : checks) {
        if (QAction *a = action(id))
            a->setChecked(on);
    }
}

void CPaneMenu::syncChecks(int displayCommand, int zoom, int colourMode)
{
    if (QAction *a = action(displayCommand))
        a->setChecked(true);
    if (QAction *a = action(IdZoom100 + ViewerGeometry::zoomIndex(zoom)))
        a->setChecked(true);
    if (QAction *a = action(IdColour + colourMode))
        a->setChecked(true);
}

} // namespace Duovue
