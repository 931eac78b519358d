#include "viewer/cviewerpane.h"

#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>

#include "core/nativepath.h"
#include "imaging/panegeometry.h"
#include "resources/commandtable.h"
#include "resources/viewerpictures.h"
#include "viewer/cbrightdlg.h"
#include "viewer/cpanemenu.h"
#include "viewer/viewergeometry.h"

namespace Duovue
{

namespace
{

/// Milliseconds of a monotonic clock, for the gesture time-out.
qint64 nowMs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed();
}

bool shiftHeld()
{
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}

/// Where the menu opens: 5 pixels right of and below the click.
constexpr QPoint MenuOffset{5, 5};

/// How near the divider a press takes it instead of panning.
constexpr int DividerGrip = 6;

} // namespace

CViewerPane::CViewerPane(CDuovueDoc &document, UserPrompts &prompts, int paneIndex, QWidget *parent)
    : CImgView(document, prompts, paneIndex, parent)
    , m_menu(new CPaneMenu(this))
    , m_openHand(ViewerPictures::openHandCursor())
    , m_closedHand(ViewerPictures::closedHandCursor())
{
    Q_ASSERT(paneIndex == 2 || paneIndex == 3);
    setDisplayMode(DisplayMode::ActualSize);
    setAccessibleName(side() == 0 ? QStringLiteral("左の画像") : QStringLiteral("右の画像"));
    connect(m_menu, &CPaneMenu::commandTriggered, this, &CViewerPane::runCommand);
    connect(&m_autoAdvance, &QTimer::timeout, this, [this] {
        Q_EMIT stepRequested(side(), +1);
    });
    connect(this, &CImgView::pictureLoaded, this, &CViewerPane::pictureReplacedByLoad);
    setAutoAdvanceInterval(1000);
    syncChecks();
    updateCursor();
}

CViewerPane::~CViewerPane() = default;

QString CViewerPane::statusText() const
{
    if (!m_gestureStatus.isEmpty())
        return m_gestureStatus;
    const QString path = imageInfo().path;
    return path.isEmpty() ? QStringLiteral("ファイル名") : path;
}

void CViewerPane::runCommand(int id)
{
    switch (id) {
    case IdRotateLeft:
        transform(PixelOps::Transform::RotateLeft);
        break;
    case IdRotateRight:
        transform(PixelOps::Transform::RotateRight);
        break;
    case IdRotate180:
        transform(PixelOps::Transform::Rotate180);
        break;
    case IdFlipVertical:
        transform(PixelOps::Transform::FlipVertical);
        break;
    case IdFlipHorizontal:
        transform(PixelOps::Transform::FlipHorizontal);
        break;
    case IdActualSize:
    case IdFitToWindow:
        // Offset and zoom stay, so that going back to actual size shows the same part.
        setDisplayMode(id == IdActualSize ? DisplayMode::ActualSize : DisplayMode::FitToWindow);
        updateCursor();
        update();
        Q_EMIT viewChanged();
        break;
    case IdColour:
    case IdInverted:
    case IdMonochrome:
        setColourMode(id - IdColour);
        break;
    case IdBrightness:
        openBrightnessDialog();
        break;
    case IdAutoAdvanceStart:
        startAutoAdvance();
        break;
    case IdAutoAdvanceStop:
        stopAutoAdvance();
        break;
    default:
        if (id >= IdZoom100 && id <= IdZoom1000) {
            setZoom(ViewerGeometry::ZoomFactors[id - IdZoom100]);
            break;
        }
        Q_EMIT commandRequested(side(), id);
        return;
    }
    syncChecks();
}

void CViewerPane::transform(PixelOps::Transform transform)
{
    if (!hasGoodPicture())
        return;
    replacePicture(PixelOps::transformed(content().picture, transform));
    m_offset = QPoint();
}

void CViewerPane::setColourMode(int mode)
{
    if (mode == m_colourMode || !hasGoodPicture())
        return;
    // Colour comes back only from the file; inverting a grey picture (or greying an inverted one)
    // would otherwise act on what is shown instead of on the file's colours.
    if (m_colourMode != Colour) {
        const int index = imageInfo().listIndex;
        loadPicture(index);
        if (!hasGoodPicture())
            return;
    }
    QImage picture = content().picture;
    if (mode == Inverted)
        PixelOps::invert(picture);
    else if (mode == Monochrome)
        PixelOps::makeGrey(picture);
    if (mode != Colour)
        replacePicture(picture);
    m_colourMode = mode;
    update();
}

void CViewerPane::setZoom(int factor)
{
    if (displayMode() != DisplayMode::ActualSize || factor == m_zoom)
        return;
    m_zoom = factor;
    m_offset = QPoint();
    update();
    Q_EMIT viewChanged();
}

void CViewerPane::resetScroll()
{
    m_offset = QPoint();
    update();
}

void CViewerPane::resetColourMode()
{
    m_colourMode = Colour;
    syncChecks();
}

void CViewerPane::resetView()
{
    m_offset = QPoint();
    m_zoom = 1;
    syncChecks();
    update();
}

void CViewerPane::setAutoAdvanceInterval(int ms)
{
    m_autoAdvance.setInterval(std::max(1, ms));
}

void CViewerPane::startAutoAdvance()
{
    m_autoAdvance.start();
}

void CViewerPane::stopAutoAdvance()
{
    m_autoAdvance.stop();
}

void CViewerPane::release()
{
    stopAutoAdvance();
    endGesture();
    if (m_brightDlg)
        m_brightDlg->reject();
    m_override = QImage();
    m_overrideFitted = QImage();
    m_split = QImage();
    m_fitted = {};
    clearPicture();
    updateCursor();
    setAccessibleDescription(QString());
    Q_EMIT statusChanged();
}

void CViewerPane::setShownOverride(const QImage &picture, const QImage &fitted)
{
    m_override = picture;
    m_overrideFitted = picture.isNull() ? QImage() : fitted;
    if (!m_override.isNull())
        m_offset = ViewerGeometry::clampPan(m_offset, size(), m_override.size(), m_zoom);
    update();
}

QImage CViewerPane::shownPicture() const
{
    return m_override.isNull() ? bitmap() : m_override;
}

void CViewerPane::setSplitPicture(const QImage &right)
{
    m_split = right;
    m_draggingDivider = false;
    updateCursor();
    update();
}

void CViewerPane::setSplitPosition(double position)
{
    m_splitPosition = std::clamp(position, 0.0, 1.0);
    update();
}

int CViewerPane::dividerX() const
{
    return qRound(m_splitPosition * width());
}

bool CViewerPane::nearDivider(QPoint pos) const
{
    return isSplit() && std::abs(pos.x() - dividerX()) <= DividerGrip;
}

void CViewerPane::prepare(const QImage &picture)
{
    if (displayMode() == DisplayMode::ActualSize || picture.isNull())
        return;
    const QRect target = PaneGeometry::fitToWindow(size(), picture.size());
    if (!target.isEmpty())
        fittedPixmap(picture, target.size());
}

QPixmap CViewerPane::fittedPixmap(const QImage &picture, QSize size)
{
    for (const Fitted &f : m_fitted) {
        if (f.key == picture.cacheKey() && f.pixmap.size() == size)
            return f.pixmap;
    }
    // Scaling a large picture is costly: once per picture and pane size, with a filter that averages
    // (a plain nearest-pixel scale would alias fine detail away).
    Fitted &slot = m_fitted[m_nextFitted];
    m_nextFitted = (m_nextFitted + 1) % m_fitted.size();
    slot = {
        picture.cacheKey(), QPixmap::fromImage(picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation))};
    return slot.pixmap;
}

ViewerGeometry::PaneView CViewerPane::view() const
{
    return {size(), shownPicture().size(), m_zoom, m_offset};
}

void CViewerPane::followView(DisplayMode mode, int zoom, QPoint offset)
{
    setDisplayMode(mode);
    if (ViewerGeometry::zoomIndex(zoom) >= 0)
        m_zoom = zoom;
    m_offset = ViewerGeometry::clampPan(offset, size(), shownPicture().size(), m_zoom);
    syncChecks();
    updateCursor();
    update();
}

CBrightDlg *CViewerPane::brightnessDialog() const
{
    return m_brightDlg;
}

void CViewerPane::openBrightnessDialog()
{
    if (!hasGoodPicture() || m_brightDlg)
        return;
    m_brightDlg = new CBrightDlg(content().picture, this);
    m_brightDlg->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_brightDlg, &CBrightDlg::pictureChanged, this, &CImgView::replacePicture);
    m_brightDlg->open();
}

void CViewerPane::pictureReplacedByLoad()
{
    // A load (a step, the timer, a reload) puts another picture in the pane: the brightness
    // dialog's baseline belongs to the old one and must not be restored over the new one.
    if (m_brightDlg) {
        m_brightDlg->disconnect(this);
        m_brightDlg->reject();
    }
    updateCursor();
    setAccessibleDescription(NativePath::display(imageInfo().path));
    Q_EMIT statusChanged();
}

void CViewerPane::syncChecks()
{
    m_menu->syncChecks(displayMode() == DisplayMode::FitToWindow ? IdFitToWindow : IdActualSize, m_zoom, m_colourMode);
}

void CViewerPane::updateCursor()
{
    if (m_draggingDivider || (isSplit() && underMouse() && nearDivider(mapFromGlobal(QCursor::pos()))))
        setCursor(Qt::SplitHCursor);
    else if (m_panning)
        setCursor(m_closedHand);
    else if (hasPicture() && displayMode() == DisplayMode::ActualSize)
        setCursor(m_openHand);
    else
        unsetCursor();
}

void CViewerPane::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (hasPicture()) {
        if (!isSplit()) {
            drawPicture(painter, shownPicture(), m_overrideFitted);
        } else {
            // Both pictures in one place, each on its side of the divider.
            const int x = dividerX();
            painter.setClipRect(0, 0, x, height());
            drawPicture(painter, shownPicture(), m_overrideFitted);
            painter.setClipRect(x, 0, width() - x, height());
            drawPicture(painter, m_split, QImage());
            painter.setClipping(false);
            painter.fillRect(x - 1, 0, 3, height(), Qt::white);
            painter.fillRect(x, 0, 1, height(), Qt::black);
        }
    }
    if (m_trail.size() > 1) {
        painter.setPen(QPen(QColor(255, 0, 0), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPolygon local;
        for (const QPoint &p : std::as_const(m_trail))
            local << mapFromGlobal(p);
        painter.drawPolyline(local);
    }
}

void CViewerPane::drawPicture(QPainter &painter, const QImage &picture, const QImage &fitted)
{
    if (displayMode() == DisplayMode::ActualSize) {
        const auto rects = ViewerGeometry::actualSize(size(), picture.size(), m_zoom, m_offset);
        // Zoomed pixels stay sharp squares: enlarging is for looking at single pixels.
        if (!rects.target.isEmpty())
            painter.drawImage(rects.target, picture, rects.source);
        return;
    }
    const QRect target = PaneGeometry::fitToWindow(size(), picture.size());
    if (target.isEmpty())
        return;
    if (fitted.size() == target.size())
        painter.drawImage(target.topLeft(), fitted);
    else
        painter.drawPixmap(target.topLeft(), fittedPixmap(picture, target.size()));
}

void CViewerPane::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        if (!m_gesture.isActive()) {
            m_gesture.press(event->globalPosition().toPoint(), nowMs());
            m_trail.clear();
        }
        return;
    }
    if (event->button() == Qt::LeftButton && nearDivider(event->position().toPoint())) {
        m_draggingDivider = true;
        updateCursor();
        return;
    }
    if (event->button() == Qt::LeftButton && hasPicture() && displayMode() == DisplayMode::ActualSize) {
        m_panning = true;
        m_lastPan = event->position().toPoint();
        updateCursor();
    }
}

void CViewerPane::mouseMoveEvent(QMouseEvent *event)
{
    if (m_gesture.isActive()) {
        const QPoint global = event->globalPosition().toPoint();
        const MouseGesture::Move move = m_gesture.move(global, nowMs(), rect().contains(event->position().toPoint()));
        if (move.cancelled) {
            endGesture();
            return;
        }
        if (move.trail) {
            if (m_trail.isEmpty())
                m_trail << move.trail->p1();
            m_trail << move.trail->p2();
            update();
        }
        if (move.showStatus) {
            m_gestureStatus = m_gesture.statusText(shiftHeld());
            Q_EMIT statusChanged();
        }
        return;
    }
    if (m_draggingDivider) {
        setSplitPosition(event->position().x() / std::max(1, width()));
        Q_EMIT dividerMoved();
        return;
    }
    if (m_panning) {
        const QPoint pos = event->position().toPoint();
        const QSize picture = shownPicture().size();
        m_offset = ViewerGeometry::clampPan(m_offset + (pos - m_lastPan), size(), picture, m_zoom);
        m_lastPan = pos;
        repaint();
        Q_EMIT viewChanged();
        return;
    }
    if (isSplit())
        updateCursor();
}

void CViewerPane::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && (m_panning || m_draggingDivider)) {
        m_panning = false;
        m_draggingDivider = false;
        updateCursor();
        return;
    }
    if (event->button() != Qt::RightButton)
        return;
    const bool wasActive = m_gesture.isActive();
    const MouseGesture::Release release = m_gesture.release(shiftHeld());
    if (wasActive) {
        m_gestureStatus.clear();
        Q_EMIT statusChanged();
    }
    if (release.clearTrail) {
        m_trail.clear();
        update();
    }
    if (release.openMenu) {
        m_trail.clear();
        openMenu(event->globalPosition().toPoint() + MenuOffset);
        return;
    }
    performGesture(release.action);
}

void CViewerPane::contextMenuEvent(QContextMenuEvent *event)
{
    // Mouse requests are answered on the button's release, after the gesture; the menu key opens
    // the menu at the pane's corner.
    if (event->reason() == QContextMenuEvent::Keyboard)
        openMenu(mapToGlobal(MenuOffset));
}

void CViewerPane::openMenu(QPoint globalPos)
{
    if (!hasGoodPicture())
        return;
    syncChecks();
    m_menu->popup(globalPos);
}

void CViewerPane::performGesture(GestureAction action)
{
    switch (action) {
    case GestureAction::None:
        break;
    case GestureAction::Previous:
        Q_EMIT stepRequested(side(), -1);
        break;
    case GestureAction::Next:
        Q_EMIT stepRequested(side(), +1);
        break;
    case GestureAction::StopAutoAdvance:
        stopAutoAdvance();
        break;
    case GestureAction::StartAutoAdvance:
        startAutoAdvance();
        break;
    case GestureAction::FitToWindow:
        runCommand(IdFitToWindow);
        break;
    case GestureAction::ActualSize:
        runCommand(IdActualSize);
        break;
    case GestureAction::FlipVertical:
        runCommand(IdFlipVertical);
        break;
    case GestureAction::RotateLeft:
        runCommand(IdRotateLeft);
        break;
    case GestureAction::RotateRight:
        runCommand(IdRotateRight);
        break;
    case GestureAction::FlipHorizontal:
        runCommand(IdFlipHorizontal);
        break;
    case GestureAction::Rotate180:
        runCommand(IdRotate180);
        break;
    case GestureAction::CloseWindow:
        Q_EMIT closeRequested();
        break;
    }
}

void CViewerPane::endGesture()
{
    const bool shown = !m_gestureStatus.isEmpty() || !m_trail.isEmpty();
    m_gesture.cancel();
    m_gestureStatus.clear();
    m_trail.clear();
    if (shown) {
        update();
        Q_EMIT statusChanged();
    }
}

} // namespace Duovue
