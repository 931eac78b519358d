#include "widgets/frameplacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include "core/windowgeometry.h"

namespace Duovue
{

FramePlacement::FramePlacement(QWidget *window, const QSize &minimumFrame)
    : QObject(window)
    , m_window(window)
    , m_minimumFrame(minimumFrame)
    , m_margins(frameMargins())
{
    m_window->setMinimumSize(WindowGeometry::clientSize(m_minimumFrame, m_margins));
    m_window->installEventFilter(this);
}

QMargins FramePlacement::frameMargins() const
{
    const QWindow *handle = m_window->windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

void FramePlacement::place(int left, int top, int width, int height)
{
    QList<QRect> available;
    for (const QScreen *screen : QGuiApplication::screens())
        available << screen->availableGeometry();
    const QRect frame = WindowGeometry::fitToScreens(left, top, width, height, available, m_minimumFrame);
    m_margins = frameMargins();
    m_window->setMinimumSize(WindowGeometry::clientSize(m_minimumFrame, m_margins));
    m_window->resize(WindowGeometry::clientSize(frame.size(), m_margins));
    // A window's position is its frame's in Qt, also before the frame is known.
    m_window->move(frame.topLeft());
    if (m_margins.isNull())
        m_placedFrame = frame.size();
}

bool FramePlacement::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowActivate:
    case QEvent::WindowStateChange:
        if (watched == m_window && frameMargins() != m_margins)
            applyMargins();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void FramePlacement::applyMargins()
{
    m_margins = frameMargins();
    m_window->setMinimumSize(WindowGeometry::clientSize(m_minimumFrame, m_margins));
    if (m_placedFrame && !(m_window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        m_window->resize(WindowGeometry::clientSize(*m_placedFrame, m_margins));
    m_placedFrame.reset();
}

} // namespace Duovue
