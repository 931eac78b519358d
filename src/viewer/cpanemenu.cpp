#include "viewer/cpanemenu.h"

#include <QActionGroup>

#include "resources/commandtable.h"
#include "resources/viewerpictures.h"
#include "viewer/viewergeometry.h"

namespace Duovue
{

CPaneMenu::CPaneMenu(QWidget *parent)
    : QMenu(parent)
{
    setObjectName(QStringLiteral("Img_con"));
    QMenu *autoAdvance = addMenu(QStringLiteral("自動送り(&A)"));
    add(autoAdvance, IdAutoAdvanceStart);
    add(autoAdvance, IdAutoAdvanceStop);
    addSeparator();
    for (int id : {IdRotateLeft, IdRotateRight, IdRotate180, IdFlipVertical, IdFlipHorizontal})
        add(this, id);
    addSeparator();
    auto *display = new QActionGroup(this);
    add(this, IdActualSize, display);
    add(this, IdFitToWindow, display);
    addSeparator();
    auto *zoom = new QActionGroup(this);
    for (int i = 0; i < int(ViewerGeometry::ZoomFactors.size()); ++i)
        add(this, IdZoom100 + i, zoom);
    addSeparator();
    auto *colour = new QActionGroup(this);
    for (int id : {IdColour, IdInverted, IdMonochrome})
        add(this, id, colour);
    addSeparator();
    add(this, IdBrightness);
    addSeparator();
    for (int id : {IdDifferenceMode, IdSplitMode, IdFlicker, IdLinkedViews})
        add(this, id)->setCheckable(true);
    add(this, IdComparisonOptions);
    addSeparator();
    for (int id : {IdMoveToFolder, IdCopyToFolder, IdTrash})
        add(this, id);
    addSeparator();
    add(this, IdBackToTop);
    addSeparator();
    // The main menu's commands, which the viewer runs through the main window.
    for (int id : {IdCompose, IdBinaryCompare, IdDifferenceAnalysis, IdJpegCompare})
        add(this, id);
    addSeparator();
    add(this, IdImageInfo);
    syncChecks(IdActualSize, 1, 0);
}

QAction *CPaneMenu::add(QMenu *menu, int id, QActionGroup *group)
{
    QAction *a = menu->addAction(Commands::caption(id));
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
