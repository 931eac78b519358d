#include "imaging/cpreviewdlg.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "core/nativepath.h"
#include "imaging/panegeometry.h"

namespace Duovue
{

CPreviewDlg::CPreviewDlg(int paneIndex, const QImage &picture, QSize pictureSize, const QString &title, QWidget *parent)
    : QDialog(parent)
    , m_paneIndex(paneIndex)
    , m_picture(picture)
    , m_pictureSize(pictureSize)
{
    Q_ASSERT(paneIndex == 0 || paneIndex == 1);
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowTitle(NativePath::display(title));
    setCursor(Qt::OpenHandCursor);
    setSizeGripEnabled(false);
}

CPreviewDlg::~CPreviewDlg() = default;

void CPreviewDlg::place(QScreen *screen)
{
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    const PaneGeometry::PopupPlacement placement = PaneGeometry::popupPlacement(
        screen->availableGeometry(), screen->geometry().topLeft(), m_pictureSize, frame, m_paneIndex);
    m_placedFrame = frame;
    // The rule places the whole window. move() asks the window manager to put the frame's corner
    // there, which holds even before the frame's size is known; setGeometry() would place the client
    // area and leave the title bar above the screen.
    resize(placement.client);
    move(placement.window.topLeft());
}

void CPreviewDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The window system adds its frame only once the window is mapped; place again if it differs
    // from the frame the first placement assumed.
    QTimer::singleShot(0, this, [this] {
        if (windowHandle() && windowHandle()->frameMargins() != m_placedFrame)
            place(screen());
    });
}

void CPreviewDlg::moveEvent(QMoveEvent *event)
{
    QDialog::moveEvent(event);
    // Some window managers report the frame only after the first move; place once more then, so the
    // title bar is not left above the screen. Only once: later moves are the user's.
    if (!m_replacedForFrame && windowHandle() && windowHandle()->frameMargins() != m_placedFrame) {
        m_replacedForFrame = true;
        place(screen());
    }
}

void CPreviewDlg::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QSize shown(std::min(width(), m_picture.width()), std::min(height(), m_picture.height()));
    if (!m_picture.isNull())
        painter.drawImage(QPoint(0, 0), m_picture, QRect(-m_offset, shown));
    // A window manager may keep the window larger than the picture: fill what the picture leaves.
    const QRegion rest = QRegion(rect()) - QRegion(QRect(QPoint(0, 0), m_picture.isNull() ? QSize() : shown));
    for (const QRect &r : rest)
        painter.fillRect(r, palette().window());
}

void CPreviewDlg::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    m_lastCursor = event->globalPosition().toPoint();
    m_dragging = true;
    setCursor(Qt::ClosedHandCursor);
}

void CPreviewDlg::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    const QPoint cursor = event->globalPosition().toPoint();
    m_offset = PaneGeometry::clampPanOffset(m_offset + (cursor - m_lastCursor), size(), m_pictureSize);
    m_lastCursor = cursor;
    repaint();
}

void CPreviewDlg::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_dragging)
        return;
    m_dragging = false;
    setCursor(Qt::OpenHandCursor);
}

void CPreviewDlg::mouseDoubleClickEvent(QMouseEvent *event)
{
    Q_UNUSED(event)
    m_dragging = false;
    close();
}

void CPreviewDlg::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace Duovue
