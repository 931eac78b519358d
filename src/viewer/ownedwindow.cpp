#include "viewer/ownedwindow.h"

#include <QGuiApplication>
#include <QWidget>

#if DUOVUE_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace Duovue
{

void KeepAboveOwner(QWidget *window, QWidget *owner)
{
#if DUOVUE_HAVE_XCB
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection() || !window || !owner || !window->isWindow())
        return;
    const auto ownerId = static_cast<xcb_window_t>(owner->window()->winId());
    xcb_change_property(x11->connection(),
        XCB_PROP_MODE_REPLACE,
        static_cast<xcb_window_t>(window->winId()),
        XCB_ATOM_WM_TRANSIENT_FOR,
        XCB_ATOM_WINDOW,
        32,
        1,
        &ownerId);
    xcb_flush(x11->connection());
#else
    Q_UNUSED(window)
    Q_UNUSED(owner)
#endif
}

} // namespace Duovue
