#include "platform/linux/TrayColors.h"

#include "platform/EverySecond.h"
#include "platform/linux/X11Connection.h"

#include <cstdlib>
#include <memory>

namespace ratelark {

namespace {

// xcb hands its replies over to be freed with free().
template <typename Reply>
using Owned = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply>
Owned<Reply> own(Reply* reply) { return Owned<Reply>(reply, &std::free); }

}  // namespace

RATELARK_EVERY_SECOND
std::optional<QColor> trayTextColor() {
    xcb_connection_t* connection = x11Connection();
    if (!connection) return std::nullopt;
    char* host = nullptr;
    int display = 0;
    int screen = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screen)) std::free(host);
    const xcb_atom_t selection = x11Atom(connection, "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen));
    const xcb_atom_t colors = x11Atom(connection, "_NET_SYSTEM_TRAY_COLORS");
    if (selection == XCB_ATOM_NONE || colors == XCB_ATOM_NONE) return std::nullopt;
    const auto owner = own(xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr));
    if (!owner || owner->owner == XCB_WINDOW_NONE) return std::nullopt;
    // Twelve cardinals, 16 bits a channel: the foreground's red, green and
    // blue first, then the error, warning and success colours.
    const auto property = own(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, owner->owner, colors, XCB_ATOM_CARDINAL, 0, 3), nullptr));
    if (!property || property->format != 32 || xcb_get_property_value_length(property.get()) < 12) return std::nullopt;
    const auto* rgb = static_cast<const uint32_t*>(xcb_get_property_value(property.get()));
    return QColor::fromRgba64(QRgba64::fromRgba64(quint16(rgb[0]), quint16(rgb[1]), quint16(rgb[2]), 0xffff));
}

}  // namespace ratelark
