#include "viewer/cpanemenu.h"

#include <QActionGroup>

#include "resources/viewerpictures.h"
#include "viewer/viewercommands.h"
#include "viewer/viewergeometry.h"

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
