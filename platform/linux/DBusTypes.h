#pragma once

#include <QDBusArgument>
#include <QDBusVariant>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// The structures the status-area protocols carry over D-Bus, each with the
// signature it travels as.

namespace ratelark {

// (iiay): a picture of width × height pixels, ARGB32 in network byte order.
struct DBusImage {
    int width = 0;
    int height = 0;
    QByteArray pixels;
    bool operator==(const DBusImage&) const = default;
};
using DBusImageList = QList<DBusImage>;

// (sa(iiay)ss): a tool-tip's icon name, pictures, title and text.
struct DBusToolTip {
    QString iconName;
    DBusImageList images;
    QString title;
    QString text;
};

// (ia{sv}av): a menu item, its properties and its children, each child a
// variant holding the same structure.
struct DBusMenuLayout {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayout> children;
};

// (ia{sv}): an item's properties.
struct DBusMenuItem {
    int id = 0;
    QVariantMap properties;
};
using DBusMenuItemList = QList<DBusMenuItem>;

// (ias): the names of properties an item no longer has.
struct DBusMenuItemKeys {
    int id = 0;
    QStringList names;
};
using DBusMenuItemKeysList = QList<DBusMenuItemKeys>;

// (isvu): an event the host reports on an item.
struct DBusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
using DBusMenuEventList = QList<DBusMenuEvent>;

// Makes the types above known to Qt's D-Bus module; once is enough.
void registerDBusTypes();

QDBusArgument& operator<<(QDBusArgument& argument, const DBusImage& image);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusImage& image);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusToolTip& toolTip);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusToolTip& toolTip);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayout& layout);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayout& layout);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItem& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItem& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemKeys& keys);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemKeys& keys);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuEvent& event);

}  // namespace ratelark

Q_DECLARE_METATYPE(ratelark::DBusImage)
Q_DECLARE_METATYPE(ratelark::DBusToolTip)
Q_DECLARE_METATYPE(ratelark::DBusMenuLayout)
Q_DECLARE_METATYPE(ratelark::DBusMenuItem)
Q_DECLARE_METATYPE(ratelark::DBusMenuItemKeys)
Q_DECLARE_METATYPE(ratelark::DBusMenuEvent)
