#include "platform/UtilityPanel.h"

#include "platform/linux/X11Connection.h"

#include <QEvent>
#include <QWidget>

namespace ratelark {

namespace {

// Xfce's and other X11 task lists list utility windows too unless the
// window's state says to skip them. A window manager drops the state of a
// hidden window, so it is set again before every showing: Qt adds its own
// states (kept above) to the ones it finds on a window it is about to map.
void skipTaskbarOnX11(QWidget& window) {
    xcb_connection_t* connection = x11Connection();
    if (!connection) return;
    const xcb_atom_t state = x11Atom(connection, "_NET_WM_STATE");
    const xcb_atom_t skip[] = {x11Atom(connection, "_NET_WM_STATE_SKIP_TASKBAR"),
                               x11Atom(connection, "_NET_WM_STATE_SKIP_PAGER")};
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
