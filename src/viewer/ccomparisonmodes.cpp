#include "viewer/ccomparisonmodes.h"

#include <QEvent>

#include "core/appsettings.h"
#include "core/logging.h"
#include "core/settingsstore.h"
#include "imaging/panegeometry.h"
#include "viewer/ccomparisonoptionsdlg.h"
#include "viewer/cviewerpane.h"

namespace Duovue
{

CComparisonModes::CComparisonModes(SettingsStore &settings, std::array<CViewerPane *, 2> panes, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_panes(panes)
{
    m_tolerance = std::clamp(settings.value(AppSettings::DifferenceTolerance()), 0, PictureDifference::MaxTolerance);
    m_linked = {
        settings.value(AppSettings::LinkedViews()) != 0, settings.value(AppSettings::LinkedViewsCompared()) != 0};
    m_flicker.setInterval(std::clamp(settings.value(AppSettings::FlickerInterval()),
        CComparisonOptionsDlg::MinimumInterval,
        CComparisonOptionsDlg::MaximumInterval));
    connect(&m_flicker, &QTimer::timeout, this, &CComparisonModes::flickerTick);
    for (int side = 0; side < 2; ++side) {
        connect(m_panes[side], &CViewerPane::viewChanged, this, [this, side] {
            follow(side);
        });
    }
    // The difference picture's reduced copy is made for the right pane's size.
    m_panes[1]->installEventFilter(this);
}

CComparisonModes::~CComparisonModes() = default;

bool CComparisonModes::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_panes[1] && event->type() == QEvent::Resize && m_mode == Mode::Difference) {
        // Once per pass of the event loop, however many sizes a drag of the window goes through.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_mode == Mode::Difference)
                    showDifference();
            },
            Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

bool CComparisonModes::bothPictures() const
{
    return m_panes[0]->hasGoodPicture() && m_panes[1]->hasGoodPicture();
}

QImage CComparisonModes::rightAtLeftSize() const
{
    return PictureDifference::fittedTo(m_panes[1]->bitmap(), m_panes[0]->bitmap().size());
}

QString CComparisonModes::sizeNote() const
{
    const QSize right = m_panes[1]->bitmap().size();
    if (!bothPictures() || right == m_panes[0]->bitmap().size())
        return QString();
    //: Status bar: the right picture (its size given) is shown scaled to the left picture's size.
    return QStringLiteral("　")
        + tr("右の画像 (%1 x %2) を左の大きさに合わせて表示").arg(right.width()).arg(right.height());
}

void CComparisonModes::toggleMode(Mode mode)
{
    setMode(m_mode == mode ? Mode::SideBySide : mode);
}

void CComparisonModes::setMode(Mode mode)
{
    if (mode == Mode::Split)
        stopFlicker();
    m_mode = mode;
    m_panes[1]->setVisible(mode != Mode::Split);
    if (mode != Mode::Difference) {
        m_panes[1]->setShownOverride(QImage());
        m_difference.clear();
        m_differenceStatus.clear();
    }
    m_differenceStale = true;
    if (mode != Mode::Split)
        m_panes[0]->setSplitPicture(QImage());
    if (mode == Mode::Difference)
        showDifference();
    else if (mode == Mode::Split)
        showSplit();
    follow(0);
    Q_EMIT statusChanged();
}

void CComparisonModes::showDifference()
{
    CViewerPane *right = m_panes[1];
    if (!bothPictures()) {
        m_difference.clear();
        right->setShownOverride(QImage());
        //: Status bar of the difference view when a pane has no picture to compare.
        m_differenceStatus = tr("差分表示: 左右の画像がそろっていません");
        Q_EMIT statusChanged();
        return;
    }
    if (m_differenceStale) {
        m_difference.setPictures(m_panes[0]->bitmap(), m_panes[1]->bitmap());
        m_differenceStale = false;
    }
    const QRect fitted = PaneGeometry::fitToWindow(right->size(), m_panes[0]->bitmap().size());
    const DifferenceView::Shown shown = m_difference.show(m_tolerance, fitted.size());
    right->setShownOverride(shown.picture, shown.fitted);
    m_differenceStatus = m_difference.statusText(shown.summary, m_tolerance);
    Q_EMIT statusChanged();
}

void CComparisonModes::showSplit()
{
    m_panes[0]->setSplitPicture(bothPictures() ? rightAtLeftSize() : QImage());
}

void CComparisonModes::toggleFlicker()
{
    if (isFlickering()) {
        stopFlicker();
        return;
    }
    if (!bothPictures())
        return;
    if (m_mode == Mode::Split)
        setMode(Mode::SideBySide);
    m_flickerRight = rightAtLeftSize();
    // Both pictures are scaled for the pane now, so that every tick only draws.
    m_panes[0]->prepare(m_panes[0]->bitmap());
    m_panes[0]->prepare(m_flickerRight);
    m_flickerShowsRight = false;
    m_flicker.start();
    flickerTick();
    follow(0);
}

void CComparisonModes::stopFlicker()
{
    if (!isFlickering() && m_flickerRight.isNull())
        return;
    m_flicker.stop();
    m_flickerRight = QImage();
    m_flickerShowsRight = false;
    m_panes[0]->setShownOverride(QImage());
    Q_EMIT statusChanged();
}

void CComparisonModes::flickerTick()
{
    m_flickerShowsRight = !m_flickerShowsRight;
    m_panes[0]->setShownOverride(m_flickerShowsRight ? m_flickerRight : QImage());
    // Drawn now: a tick that waited for the next paint could be merged with the one after it.
    m_panes[0]->repaint();
    Q_EMIT statusChanged();
}

void CComparisonModes::moveDivider(int direction)
{
    if (m_mode == Mode::Split)
        m_panes[0]->setSplitPosition(m_panes[0]->splitPosition() + direction * DividerStep);
}

void CComparisonModes::setTolerance(int tolerance)
{
    tolerance = std::clamp(tolerance, 0, PictureDifference::MaxTolerance);
    if (tolerance == m_tolerance)
        return;
    m_tolerance = tolerance;
    warnIfFailed(lcSettings(), m_settings.setValue(AppSettings::DifferenceTolerance(), tolerance));
    if (m_mode == Mode::Difference)
        showDifference();
}

void CComparisonModes::setFlickerInterval(int ms)
{
    ms = std::clamp(ms, CComparisonOptionsDlg::MinimumInterval, CComparisonOptionsDlg::MaximumInterval);
    m_flicker.setInterval(ms);
    warnIfFailed(lcSettings(), m_settings.setValue(AppSettings::FlickerInterval(), ms));
    Q_EMIT statusChanged();
}

bool CComparisonModes::isLinked() const
{
    return isLinked(m_mode != Mode::SideBySide || isFlickering());
}

void CComparisonModes::setLinked(bool linked)
{
    setLinked(m_mode != Mode::SideBySide || isFlickering(), linked);
}

void CComparisonModes::setLinked(bool compared, bool linked)
{
    m_linked[compared ? 1 : 0] = linked;
    warnIfFailed(lcSettings(),
        m_settings.setValue(
            compared ? AppSettings::LinkedViewsCompared() : AppSettings::LinkedViews(), linked ? 1 : 0));
    follow(0);
}

void CComparisonModes::follow(int from)
{
    if (!isLinked() || m_following || m_mode == Mode::Split)
        return;
    CViewerPane *source = m_panes[from];
    CViewerPane *other = m_panes[1 - from];
    if (!source->hasPicture() || !other->hasPicture())
        return;
    m_following = true;
    const ViewerGeometry::PaneView view = source->view();
    ViewerGeometry::PaneView target = other->view();
    target.zoom = view.zoom;
    other->followView(source->displayMode(), view.zoom, ViewerGeometry::linkedOffset(view, target));
    m_following = false;
}

void CComparisonModes::openOptions(QWidget *parent)
{
    if (m_options) {
        m_options->raise();
        m_options->activateWindow();
        return;
    }
    m_options = new CComparisonOptionsDlg(m_tolerance, m_flicker.interval(), m_linked, parent);
    m_options->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_options, &CComparisonOptionsDlg::toleranceChanged, this, &CComparisonModes::setTolerance);
    connect(m_options, &CComparisonOptionsDlg::intervalChanged, this, &CComparisonModes::setFlickerInterval);
    connect(
        m_options, &CComparisonOptionsDlg::linkedChanged, this, qOverload<bool, bool>(&CComparisonModes::setLinked));
    m_options->show();
}

CComparisonOptionsDlg *CComparisonModes::optionsDialog() const
{
    return m_options;
}

void CComparisonModes::picturesChanged()
{
    m_differenceStale = true;
    if (m_mode == Mode::Difference)
        showDifference();
    else if (m_mode == Mode::Split)
        showSplit();
    if (isFlickering()) {
        if (!bothPictures()) {
            stopFlicker();
            return;
        }
        m_flickerRight = rightAtLeftSize();
        m_panes[0]->prepare(m_flickerRight);
        m_panes[0]->setShownOverride(m_flickerShowsRight ? m_flickerRight : QImage());
    }
    Q_EMIT statusChanged();
}

void CComparisonModes::end()
{
    stopFlicker();
    setMode(Mode::SideBySide);
    if (m_options)
        m_options->close();
}

QString CComparisonModes::statusText(int side) const
{
    if (side == 1)
        return m_mode == Mode::Difference ? m_differenceStatus : QString();
    if (isFlickering()) {
        //: Status bar while flickering: the interval and which picture the left pane shows now.
        return tr("点滅表示 (%1 ミリ秒): %2")
                   .arg(m_flicker.interval())
                   .arg(m_flickerShowsRight ? tr("右の画像") : tr("左の画像"))
            + sizeNote();
    }
    if (m_mode == Mode::Split) {
        //: Status bar in the split view; "," and "." are the keys that move the divider.
        return tr("分割表示: 境界の左は左の画像、右は右の画像 (, と . で境界を移動)") + sizeNote();
    }
    return QString();
}

} // namespace Duovue
