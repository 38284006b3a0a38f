#include "platform/InterfaceLoader.h"

#include "platform/InterfaceChoiceBox.h"
#include "platform/MenuChoiceBox.h"
#include "platform/TextField.h"
#include "platform/UtilityPanel.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QFont>
#include <QFormLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

#include <functional>

namespace ratelark {

namespace {

class Builder {
public:
    Builder(const InterfaceConnections& connections, LoadedInterface& result)
        : connections_(connections), result_(result) {}

    std::unique_ptr<QMenu> buildMenu(const QJsonObject& spec, QWidget* parent) {
        auto menu = std::make_unique<QMenu>(parent);
        name(menu.get(), spec);
        if (spec.value(QStringLiteral("delegate")).toString() == QStringLiteral("controller")) {
            QMenu* raw = menu.get();
            // Copies: the menu outlives this builder and the connections it was given.
            QObject::connect(raw, &QMenu::aboutToShow, raw, [willOpen = connections_.menuWillOpen, raw] {
                if (willOpen) willOpen(raw);
            });
            QObject::connect(raw, &QMenu::aboutToHide, raw, [didClose = connections_.menuDidClose, raw] {
                if (didClose) didClose(raw);
            });
        }
        for (const QJsonValue& value : spec.value(QStringLiteral("items")).toArray()) {
            const QJsonObject item = value.toObject();
            if (item.value(QStringLiteral("separator")).toBool()) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(item.value(QStringLiteral("title")).toString());
            if (item.contains(QStringLiteral("submenu"))) {
                // The submenu is owned by its parent menu through Qt's object tree.
                action->setMenu(buildMenu(item.value(QStringLiteral("submenu")).toObject(), menu.get()).release());
            }
            setTag(action, item);
            setStrings(action, item);
            name(action, item);
            if (item.value(QStringLiteral("inToolTip")).toBool()) action->setProperty("inToolTip", true);
            if (item.value(QStringLiteral("hidden")).toBool()) action->setVisible(false);
            const bool radio = item.value(QStringLiteral("radio")).toBool();
            if (radio || item.value(QStringLiteral("checkable")).toBool()) {
                action->setCheckable(true);
                if (radio) action->setProperty("radio", true);
                // Qt flips the mark before the action runs; put it back so the
                // handler reads the state before the click and decides the mark.
                QObject::connect(action, &QAction::triggered, action, [action](bool checked) {
                    QSignalBlocker block(action);
                    action->setChecked(!checked);
                });
            }
            connectAction(action, item, &QAction::triggered);
        }
        return menu;
    }

    std::unique_ptr<QWidget> buildWindow(const QJsonObject& spec) {
        auto window = std::make_unique<QWidget>();
        const bool panel = spec.value(QStringLiteral("kind")).toString() == QStringLiteral("panel");
        if (panel) makeUtilityPanel(*window);
        window->setWindowTitle(spec.value(QStringLiteral("title")).toString());
        window->resize(spec.value(QStringLiteral("width")).toInt(200), spec.value(QStringLiteral("height")).toInt(100));
        name(window.get(), spec);
        const QJsonArray controls = spec.value(QStringLiteral("controls")).toArray();
        if (panel) {
            // The speed window's fields share all of its small area.
            auto* layout = new QVBoxLayout(window.get());
            layout->setContentsMargins(kPanelMargin, kPanelMargin, kPanelMargin, kPanelMargin);
            layout->setSpacing(0);
            for (const QJsonValue& value : controls)
                if (QWidget* control = buildControl(value.toObject(), window.get())) layout->addWidget(control);
        } else {
            // Other windows stack their controls, a control's "label" in a
            // column of its own so that labelled controls line up.
            auto* layout = new QFormLayout(window.get());
            for (const QJsonValue& value : controls) {
                const QJsonObject control = value.toObject();
                QWidget* widget = buildControl(control, window.get());
                if (!widget) continue;
                const QString label = control.value(QStringLiteral("label")).toString();
                if (label.isEmpty())
                    layout->addRow(widget);
                else
                    layout->addRow(label, widget);
            }
        }
        return window;
    }

    // Connects each choice list to the menu it mirrors, once the menus exist.
    void bindChoices() {
        for (const auto& [box, menuName] : choices_) {
            auto* menu = qobject_cast<QMenu*>(result_.named.value(menuName));
            if (!menu) result_.errors << QStringLiteral("choice names no menu \"%1\"").arg(menuName);
            else if (box) box->setMenu(menu);
        }
        choices_.clear();
    }

private:
    QWidget* buildControl(const QJsonObject& spec, QWidget* parent) {
        const QString type = spec.value(QStringLiteral("type")).toString();
        const QString title = spec.value(QStringLiteral("title")).toString();
        QWidget* control = nullptr;
        if (type == QStringLiteral("textfield")) {
            control = new TextField(connections_.textFieldCell ? connections_.textFieldCell() : nullptr, parent);
        } else if (type == QStringLiteral("entry")) {
            auto* entry = new QLineEdit(parent);
            entry->setPlaceholderText(spec.value(QStringLiteral("placeholder")).toString());
            connectAction(entry, spec, &QLineEdit::editingFinished);
            control = entry;
        } else if (type == QStringLiteral("label")) {
            auto* label = new QLabel(title, parent);
            label->setWordWrap(true);
            control = label;
        } else if (type == QStringLiteral("choice")) {
            auto* box = new MenuChoiceBox(parent);
            choices_.emplace_back(box, spec.value(QStringLiteral("menu")).toString());
            control = box;
        } else if (type == QStringLiteral("interfaces")) {
            auto* box = new InterfaceChoiceBox(title, parent);
            connectAction(box, spec, &InterfaceChoiceBox::changed);
            control = box;
        } else if (type == QStringLiteral("checkbox") || type == QStringLiteral("button")) {
            QAbstractButton* button = type == QStringLiteral("checkbox")
                                          ? static_cast<QAbstractButton*>(new QCheckBox(title, parent))
                                          : new QPushButton(title, parent);
            // A push button keeps its own size rather than filling the row.
            if (type == QStringLiteral("button")) button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
            connectAction(button, spec, &QAbstractButton::clicked);
            control = button;
        } else {
            result_.errors << QStringLiteral("unknown control type \"%1\"").arg(type);
            return nullptr;
        }
        setTag(control, spec);
        setStrings(control, spec);
        if (spec.contains(QStringLiteral("fontSize"))) {
            QFont font = control->font();
            font.setPointSizeF(spec.value(QStringLiteral("fontSize")).toDouble(font.pointSizeF()));
            control->setFont(font);
        }
        name(control, spec);
        return control;
    }

    template <typename Sender, typename Signal>
    void connectAction(Sender* sender, const QJsonObject& spec, Signal signal) {
        const QString actionName = spec.value(QStringLiteral("action")).toString();
        if (actionName.isEmpty()) return;
        const auto handler = connections_.actions.find(actionName);
        if (handler == connections_.actions.end()) {
            result_.errors << QStringLiteral("action \"%1\" names no operation").arg(actionName);
            return;
        }
        QObject::connect(sender, signal, sender, [call = handler.value(), sender] { call(sender); });
    }

    static void setTag(QObject* object, const QJsonObject& spec) {
        object->setProperty("tag", static_cast<qlonglong>(spec.value(QStringLiteral("tag")).toInteger(0)));
    }

    // The preference a control shows (its mark follows the value stored under
    // "key"), and the software component a command concerns.
    static void setStrings(QObject* object, const QJsonObject& spec) {
        for (const char* property : {"key", "component"})
            if (spec.contains(QLatin1String(property)))
                object->setProperty(property, spec.value(QLatin1String(property)).toString());
    }

    void name(QObject* object, const QJsonObject& spec) {
        for (const QString& key : {QStringLiteral("outlet"), QStringLiteral("name")}) {
            const QString objectName = spec.value(key).toString();
            if (objectName.isEmpty()) continue;
            object->setObjectName(objectName);
            result_.named.insert(objectName, object);
            if (key != QStringLiteral("outlet")) continue;
            const auto outlet = connections_.outlets.find(objectName);
            if (outlet == connections_.outlets.end())
                result_.errors << QStringLiteral("outlet \"%1\" is not a field").arg(objectName);
            else
                outlet.value()(object);
        }
    }

    static constexpr int kPanelMargin = 2;

    const InterfaceConnections& connections_;
    LoadedInterface& result_;
    std::vector<std::pair<QPointer<MenuChoiceBox>, QString>> choices_;  // list, name of its menu
};

// Builds the windows wanted picks, then the menus when withMenus, knowing
// the names an earlier load built. Windows come first, so that menus may
// name them once they are built.
LoadedInterface load(const QByteArray& json, const InterfaceConnections& connections,
                     const QHash<QString, QObject*>& built, const std::function<bool(const QJsonObject&)>& wanted,
                     bool withMenus) {
    LoadedInterface result;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        result.errors << QStringLiteral("interface description is not valid JSON: %1").arg(error.errorString());
        return result;
    }
    result.named = built;
    Builder builder(connections, result);
    for (const QJsonValue& value : document.object().value(QStringLiteral("windows")).toArray())
        if (const QJsonObject window = value.toObject(); wanted(window))
            result.windows.push_back(builder.buildWindow(window));
    if (withMenus)
        for (const QJsonValue& menu : document.object().value(QStringLiteral("menus")).toArray())
            result.menus.push_back(builder.buildMenu(menu.toObject(), nullptr));
    builder.bindChoices();
    return result;
}

}  // namespace

LoadedInterface loadInterface(const QByteArray& json, const InterfaceConnections& connections, InterfaceParts parts) {
    const auto wanted = [parts](const QJsonObject& window) {
        return parts == InterfaceParts::Everything
               || (parts == InterfaceParts::AtStart && !window.value(QStringLiteral("onDemand")).toBool());
    };
    return load(json, connections, {}, wanted, true);
}

LoadedInterface loadWindow(const QByteArray& json, const QString& outlet, const InterfaceConnections& connections,
                           const QHash<QString, QObject*>& built) {
    const auto wanted = [&outlet](const QJsonObject& window) {
        return window.value(QStringLiteral("outlet")).toString() == outlet;
    };
    LoadedInterface result = load(json, connections, built, wanted, false);
    if (result.windows.empty() && result.errors.isEmpty())
        result.errors << QStringLiteral("no window has the outlet \"%1\"").arg(outlet);
    return result;
}

QByteArray shippedInterfaceDescription() {
    QFile file(QStringLiteral(":/resources/interface.json"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

qint64 tagOf(const QObject* sender) { return sender ? sender->property("tag").toLongLong() : 0; }

QString componentOf(const QObject* sender) { return sender ? sender->property("component").toString() : QString(); }

int stateOf(const QObject* sender) {
    if (const auto* action = qobject_cast<const QAction*>(sender)) return action->isChecked() ? 1 : 0;
    if (const auto* button = qobject_cast<const QAbstractButton*>(sender)) return button->isChecked() ? 1 : 0;
    return 0;
}

void setStateOf(QObject* sender, int state) {
    if (auto* action = qobject_cast<QAction*>(sender)) {
        action->setCheckable(true);
        action->setChecked(state == 1);
    } else if (auto* button = qobject_cast<QAbstractButton*>(sender)) {
        button->setChecked(state == 1);
    }
}

}  // namespace ratelark
