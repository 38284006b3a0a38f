#pragma once

#include <QByteArray>

#include <xcb/xcb.h>

namespace ratelark {

// The X11 connection Qt's own X11 support opened; none off X11.
xcb_connection_t* x11Connection();

// The atom of name on connection, made if it is new; XCB_ATOM_NONE when the
// server does not answer.
xcb_atom_t x11Atom(xcb_connection_t* connection, const QByteArray& name);

}  // namespace ratelark
