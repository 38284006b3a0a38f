#include "platform/linux/DBusTypes.h"

#include <QDBusMetaType>

namespace ratelark {

void registerDBusTypes() {
    qDBusRegisterMetaType<DBusImage>();
    qDBusRegisterMetaType<DBusImageList>();
    qDBusRegisterMetaType<DBusToolTip>();
    qDBusRegisterMetaType<DBusMenuLayout>();
    qDBusRegisterMetaType<DBusMenuItem>();
    qDBusRegisterMetaType<DBusMenuItemList>();
    qDBusRegisterMetaType<DBusMenuItemKeys>();
    qDBusRegisterMetaType<DBusMenuItemKeysList>();
    qDBusRegisterMetaType<DBusMenuEvent>();
    qDBusRegisterMetaType<DBusMenuEventList>();
}

namespace {

// A structure of plain fields, written and read in their order.
template <typename... Fields>
QDBusArgument& writeStructure(QDBusArgument& argument, const Fields&... fields) {
    argument.beginStructure();
    (argument << ... << fields);
    argument.endStructure();
    return argument;
}

template <typename... Fields>
const QDBusArgument& readStructure(const QDBusArgument& argument, Fields&... fields) {
    argument.beginStructure();
    (argument >> ... >> fields);
    argument.endStructure();
    return argument;
}

}  // namespace

QDBusArgument& operator<<(QDBusArgument& a, const DBusImage& image) {
    return writeStructure(a, image.width, image.height, image.pixels);
}

const QDBusArgument& operator>>(const QDBusArgument& a, DBusImage& image) {
    return readStructure(a, image.width, image.height, image.pixels);
}

QDBusArgument& operator<<(QDBusArgument& a, const DBusToolTip& tip) {
    return writeStructure(a, tip.iconName, tip.images, tip.title, tip.text);
}

const QDBusArgument& operator>>(const QDBusArgument& a, DBusToolTip& tip) {
    return readStructure(a, tip.iconName, tip.images, tip.title, tip.text);
}

// The children travel as variants, each holding a layout of its own.
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayout& layout) {
    argument.beginStructure();
    argument << layout.id << layout.properties;
    argument.beginArray(qMetaTypeId<QDBusVariant>());
    for (const DBusMenuLayout& child : layout.children) argument << QDBusVariant(QVariant::fromValue(child));
    argument.endArray();
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayout& layout) {
    argument.beginStructure();
    argument >> layout.id >> layout.properties;
    layout.children.clear();
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        layout.children.append(qdbus_cast<DBusMenuLayout>(child.variant()));
    }
    argument.endArray();
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& a, const DBusMenuItem& item) { return writeStructure(a, item.id, item.properties); }

const QDBusArgument& operator>>(const QDBusArgument& a, DBusMenuItem& item) {
    return readStructure(a, item.id, item.properties);
}

QDBusArgument& operator<<(QDBusArgument& a, const DBusMenuItemKeys& keys) { return writeStructure(a, keys.id, keys.names); }

const QDBusArgument& operator>>(const QDBusArgument& a, DBusMenuItemKeys& keys) {
    return readStructure(a, keys.id, keys.names);
}

QDBusArgument& operator<<(QDBusArgument& a, const DBusMenuEvent& event) {
    return writeStructure(a, event.id, event.eventId, event.data, event.timestamp);
}

const QDBusArgument& operator>>(const QDBusArgument& a, DBusMenuEvent& event) {
    return readStructure(a, event.id, event.eventId, event.data, event.timestamp);
}

}  // namespace ratelark
