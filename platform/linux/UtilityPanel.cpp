#include "platform/UtilityPanel.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>

namespace ratelark {

namespace {

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(qstrlen(name)), name), nullptr);
    const xcb_atom_t found = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return found;
}

// Xfce's and other X11 task lists list utility windows too unless the
// window's state says to skip them. A window manager drops the state of a
// hidden window, so it is set again before every showing: Qt adds its own
// states (kept above) to the ones it finds on a window it is about to map.
void skipTaskbarOnX11(QWidget& window) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) return;
    const xcb_atom_t state = atom(connection, "_NET_WM_STATE");
    const xcb_atom_t skip[] = {atom(connection, "_NET_WM_STATE_SKIP_TASKBAR"), atom(connection, "_NET_WM_STATE_SKIP_PAGER")};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, xcb_window_t(window.winId()), state, XCB_ATOM_ATOM, 32,
                        2, skip);
    xcb_flush(connection);
}

class SkipTaskbar : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) skipTaskbarOnX11(*static_cast<QWidget*>(watched));
        return false;
    }
};

}  // namespace

void makeUtilityPanel(QWidget& window) {
    // CustomizeWindowHint: only the hints named here, so no minimise or maximise button.
    window.setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint);
    window.setAttribute(Qt::WA_ShowWithoutActivating);
    window.installEventFilter(new SkipTaskbar(&window));
}

}  // namespace ratelark
