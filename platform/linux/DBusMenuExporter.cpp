#include "platform/linux/DBusMenuExporter.h"

#include <QAction>
#include <QActionEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>

namespace ratelark {

namespace {

// Qt marks a mnemonic with '&' ("&&" is a plain '&'); dbusmenu with '_'
// ("__" is a plain '_').
QString mnemonicLabel(const QString& text) {
    QString label;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text[i];
        if (c == QLatin1Char('&') && i + 1 < text.size()) {
            c = text[++i];
            if (c != QLatin1Char('&')) label += QLatin1Char('_');
        }
        label += c == QLatin1Char('_') ? QStringLiteral("__") : QString(c);
    }
    return label;
}

QVariantMap filtered(const QVariantMap& properties, const QStringList& names) {
    if (names.isEmpty()) return properties;
    QVariantMap kept;
    for (const QString& name : names)
        if (properties.contains(name)) kept.insert(name, properties.value(name));
    return kept;
}

}  // namespace

DBusMenuExporter::DBusMenuExporter(QObject* parent) : QObject(parent) {}

void DBusMenuExporter::setMenu(QMenu* menu) {
    if (menu == menu_) return;
    menu_ = menu;
    changedLayouts_.insert(0);
    scheduleUpdate();
}

QString DBusMenuExporter::textDirection() const {
    return QGuiApplication::layoutDirection() == Qt::RightToLeft ? QStringLiteral("rtl") : QStringLiteral("ltr");
}

uint DBusMenuExporter::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                 DBusMenuLayout& layout) {
    if (unknownItem(parentId)) return revision_;
    layout = layoutOf(parentId, recursionDepth, propertyNames);
    return revision_;
}

DBusMenuItemList DBusMenuExporter::GetGroupProperties(const QList<int>& ids, const QStringList& propertyNames) {
    QList<int> wanted = ids;
    if (wanted.isEmpty()) {
        // All items: walking the layout gives every item its id.
        layoutOf(0, -1, {});
        wanted = actions_.keys();
        wanted.prepend(0);
    }
    DBusMenuItemList items;
    for (int id : wanted) {
        if (id != 0 && !actionOf(id)) continue;
        const QVariantMap all = properties(id);
        sent_.insert(id, all);
        items.append({id, filtered(all, propertyNames)});
    }
    return items;
}

QDBusVariant DBusMenuExporter::GetProperty(int id, const QString& name) {
    if (unknownItem(id)) return {};
    return QDBusVariant(properties(id).value(name));
}

void DBusMenuExporter::Event(int id, const QString& eventId, const QDBusVariant&, uint) {
    if (!handleEvent(id, eventId)) unknownItem(id);
}

QList<int> DBusMenuExporter::EventGroup(const DBusMenuEventList& events) {
    QList<int> idErrors;
    for (const DBusMenuEvent& event : events)
        if (!handleEvent(event.id, event.eventId)) idErrors << event.id;
    return idErrors;
}

bool DBusMenuExporter::AboutToShow(int id) {
    QMenu* menu = menuOf(id);
    if (!menu) {
        unknownItem(id);
        return false;
    }
    open(menu, Opening::ByAboutToShow);
    // What the opening changed goes out now, before the host draws.
    const bool changed = !changed_.isEmpty() || !changedLayouts_.isEmpty();
    sendUpdates();
    return changed;
}

QList<int> DBusMenuExporter::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors) {
    QList<int> updatesNeeded;
    for (int id : ids) {
        if (!menuOf(id))
            idErrors << id;
        else if (AboutToShow(id))
            updatesNeeded << id;
    }
    return updatesNeeded;
}

bool DBusMenuExporter::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ActionChanged:
        changed_.insert(idOf(static_cast<QActionEvent*>(event)->action()));
        scheduleUpdate();
        break;
    case QEvent::ActionAdded:
    case QEvent::ActionRemoved:
        changedLayouts_.insert(idOfMenu(static_cast<QMenu*>(watched)));
        scheduleUpdate();
        break;
    default:
        break;
    }
    return false;
}

int DBusMenuExporter::idOf(QAction* action) {
    const auto known = ids_.constFind(action);
    if (known != ids_.constEnd()) return known.value();
    const int id = ++lastId_;
    ids_.insert(action, id);
    actions_.insert(id, action);
    connect(action, &QObject::destroyed, this, [this, action, id] {
        ids_.remove(action);
        actions_.remove(id);
        sent_.remove(id);
    });
    return id;
}

QAction* DBusMenuExporter::actionOf(int id) const { return actions_.value(id); }

QMenu* DBusMenuExporter::menuOf(int id) const {
    if (id == 0) return menu_;
    const QAction* action = actionOf(id);
    return action ? action->menu() : nullptr;
}

int DBusMenuExporter::idOfMenu(QMenu* menu) { return menu == menu_ ? 0 : idOf(menu->menuAction()); }

QVariantMap DBusMenuExporter::properties(int id) {
    if (id == 0) return {{QStringLiteral("children-display"), QStringLiteral("submenu")}};
    const QAction* action = actionOf(id);
    if (!action) return {};
    QVariantMap properties{{QStringLiteral("visible"), action->isVisible()}};
    if (action->isSeparator()) {
        properties.insert(QStringLiteral("type"), QStringLiteral("separator"));
        return properties;
    }
    properties.insert(QStringLiteral("label"), mnemonicLabel(action->text()));
    properties.insert(QStringLiteral("enabled"), action->isEnabled());
    if (action->isCheckable()) {
        const bool radio = action->property("radio").toBool();
        properties.insert(QStringLiteral("toggle-type"), radio ? QStringLiteral("radio") : QStringLiteral("checkmark"));
        properties.insert(QStringLiteral("toggle-state"), action->isChecked() ? 1 : 0);
    }
    if (action->menu()) properties.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    return properties;
}

DBusMenuLayout DBusMenuExporter::layoutOf(int id, int depth, const QStringList& names) {
    const QVariantMap all = properties(id);
    sent_.insert(id, all);
    DBusMenuLayout layout{id, filtered(all, names), {}};
    QMenu* menu = menuOf(id);
    if (!menu || depth == 0) return layout;
    watch(menu);
    for (QAction* action : menu->actions()) layout.children.append(layoutOf(idOf(action), depth - 1, names));
    return layout;
}

void DBusMenuExporter::watch(QMenu* menu) {
    if (watched_.contains(menu)) return;
    watched_.insert(menu);
    menu->installEventFilter(this);
    connect(menu, &QObject::destroyed, this, [this, menu] {
        watched_.remove(menu);
        open_.remove(menu);
    });
}

bool DBusMenuExporter::handleEvent(int id, const QString& eventId) {
    if (eventId == QStringLiteral("clicked")) {
        QAction* action = actionOf(id);
        if (!action) return false;
        // Queued, so that the host's call returns before a command that opens
        // a dialog runs.
        if (action->isEnabled() && !action->menu() && !action->isSeparator())
            QMetaObject::invokeMethod(action, &QAction::trigger, Qt::QueuedConnection);
        return true;
    }
    QMenu* menu = menuOf(id);
    if (!menu) return id == 0 || actionOf(id);
    if (eventId == QStringLiteral("opened")) open(menu, Opening::ByEvent);
    if (eventId == QStringLiteral("closed")) close(menu);
    return true;
}

// Hosts announce an opening with AboutToShow, with "opened", or with both in
// either order; a host that sends only AboutToShow sends it again at the next
// opening without a "closed" between.
void DBusMenuExporter::open(QMenu* menu, Opening how) {
    const auto opened = open_.find(menu);
    if (opened == open_.end()) {
        open_.insert(menu, how);
        emit menu->aboutToShow();
    } else if (how == Opening::ByEvent) {
        opened.value() = how;
    } else if (opened.value() == Opening::ByAboutToShow) {
        close(menu);
        open(menu, how);
    }
}

void DBusMenuExporter::close(QMenu* menu) {
    if (open_.remove(menu)) emit menu->aboutToHide();
}

void DBusMenuExporter::scheduleUpdate() {
    if (updateScheduled_) return;
    updateScheduled_ = true;
    QTimer::singleShot(0, this, &DBusMenuExporter::sendUpdates);
}

void DBusMenuExporter::sendUpdates() {
    updateScheduled_ = false;
    DBusMenuItemList updated;
    DBusMenuItemKeysList removed;
    for (int id : std::as_const(changed_)) {
        const auto before = sent_.constFind(id);
        if (before == sent_.constEnd()) continue;  // the host has not asked for it yet
        const QVariantMap now = properties(id);
        QVariantMap differing;
        for (auto property = now.cbegin(); property != now.cend(); ++property)
            if (before->value(property.key()) != property.value()) differing.insert(property.key(), property.value());
        QStringList gone;
        for (const QString& name : before->keys())
            if (!now.contains(name)) gone << name;
        if (!differing.isEmpty()) updated.append({id, differing});
        if (!gone.isEmpty()) removed.append({id, gone});
        sent_.insert(id, now);
    }
    changed_.clear();
    if (!updated.isEmpty() || !removed.isEmpty()) emit ItemsPropertiesUpdated(updated, removed);
    for (int parent : std::as_const(changedLayouts_)) emit LayoutUpdated(++revision_, parent);
    changedLayouts_.clear();
}

bool DBusMenuExporter::unknownItem(int id) {
    if (menuOf(id) || actionOf(id)) return false;
    if (calledFromDBus())
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("RateLark's menu has no item %1").arg(id));
    return true;
}

}  // namespace ratelark
