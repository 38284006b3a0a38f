#pragma once

#include "platform/linux/DBusTypes.h"

#include <QDBusContext>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>

class QAction;
class QMenu;

namespace ratelark {

// A QMenu and its submenus offered over the dbusmenu protocol
// (com.canonical.dbusmenu, version 3), so that the status-area host draws
// the menu itself. Item 0 is the menu; every action gets an id of its own for
// as long as it lives. A click from the host triggers the action; the host
// opening or closing a menu is that menu's aboutToShow or aboutToHide, once
// per opening however many of AboutToShow and "opened" the host sends.
// Changes to the actions reach the host as ItemsPropertiesUpdated (only the
// properties that changed) and LayoutUpdated, gathered until the event ends.
class DBusMenuExporter : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    explicit DBusMenuExporter(QObject* parent = nullptr);

    void setMenu(QMenu* menu);

    uint version() const { return 3; }
    QString textDirection() const;
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

public slots:
    // Qt's D-Bus module finds the argument types by the names written here,
    // hence the full names rather than the short ones of DBusTypes.h.
    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames, ratelark::DBusMenuLayout& layout);
    QList<ratelark::DBusMenuItem> GetGroupProperties(const QList<int>& ids, const QStringList& propertyNames);
    QDBusVariant GetProperty(int id, const QString& name);
    void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    QList<int> EventGroup(const QList<ratelark::DBusMenuEvent>& events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

signals:
    void ItemsPropertiesUpdated(const QList<ratelark::DBusMenuItem>& updatedProps,
                                const QList<ratelark::DBusMenuItemKeys>& removedProps);
    void LayoutUpdated(uint revision, int parent);
    // Part of the protocol; RateLark has no shortcut that would ask the host
    // to open an item, so it never sends it.
    void ItemActivationRequested(int id, uint timestamp);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Opening { ByAboutToShow, ByEvent };

    int idOf(QAction* action);
    QAction* actionOf(int id) const;
    // The menu an id opens: the root for 0, else the action's submenu.
    QMenu* menuOf(int id) const;
    int idOfMenu(QMenu* menu);
    QVariantMap properties(int id);
    DBusMenuLayout layoutOf(int id, int depth, const QStringList& names);
    // Watches menu for changes to its actions, once.
    void watch(QMenu* menu);
    bool handleEvent(int id, const QString& eventId);
    void open(QMenu* menu, Opening how);
    void close(QMenu* menu);
    // Sends what changed since the host last heard, once the event ends.
    void scheduleUpdate();
    void sendUpdates();
    // Whether id names no item; the caller over D-Bus then gets an error.
    bool unknownItem(int id);

    QPointer<QMenu> menu_;
    QHash<QAction*, int> ids_;
    QHash<int, QPointer<QAction>> actions_;
    int lastId_ = 0;
    uint revision_ = 1;
    QSet<QMenu*> watched_;
    QHash<QMenu*, Opening> open_;
    QHash<int, QVariantMap> sent_;  // the properties the host last heard, by id
    QSet<int> changed_;
    QSet<int> changedLayouts_;
    bool updateScheduled_ = false;
};

}  // namespace ratelark
