#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QMenu;
class QObject;
class QWidget;

namespace ratelark {

class TextFieldCell;

// What the interface description is connected to. Outlets receive the
// object the description names; actions are called with their sender, and a
// menu's delegate hears its opening and closing.
struct InterfaceConnections {
    QHash<QString, std::function<void(QObject*)>> outlets;
    QHash<QString, std::function<void(QObject*)>> actions;
    std::function<void(QMenu*)> menuWillOpen;
    std::function<void(QMenu*)> menuDidClose;
    // The cell a text field draws with; a plain cell when not given.
    std::function<std::unique_ptr<TextFieldCell>()> textFieldCell;
};

// The objects the description built. The top-level menus and windows own
// everything else.
struct LoadedInterface {
    std::vector<std::unique_ptr<QMenu>> menus;
    std::vector<std::unique_ptr<QWidget>> windows;
    QHash<QString, QObject*> named;  // every object with an "outlet" or "name"
    QStringList errors;              // problems found while building; empty when sound
};

// Builds menus and windows from the JSON description and connects them.
// The tag of an item is its "tag" property; a checkable menu item keeps the
// mark it had before the click, so that its action reads the state before
// the click and owns the mark. A "radio" item is a checkable item of a choice
// list, whose action marks exactly one item of its menu; it carries the
// property "radio". An item marked "inToolTip" (property of that name) is
// repeated in the status item's tool-tip while it is visible; a "hidden"
// item starts invisible, for the program to show. A control's or item's "key" names the
// preference its mark shows; a "choice" control mirrors the menu it names;
// a window's control with a "label" is shown beside that text, and a label
// wraps its text to the window's width; an "interfaces" control offers the
// network interfaces to count under a check box titled with its "title", and
// calls its action at each change.
// Which parts are built now. A window the description marks "onDemand" (a
// window opened rarely and costly to keep) is left for loadWindow when it is
// first wanted; a program that shows no window builds the menus alone. The
// outlets of what is not built stay empty.
enum class InterfaceParts { Everything, AtStart, MenusOnly };
LoadedInterface loadInterface(const QByteArray& json, const InterfaceConnections& connections,
                              InterfaceParts parts = InterfaceParts::Everything);

// Builds the one window whose outlet is named, connected as loadInterface
// connects; its choice lists mirror the menus among built (what an earlier
// load named).
LoadedInterface loadWindow(const QByteArray& json, const QString& outlet, const InterfaceConnections& connections,
                           const QHash<QString, QObject*>& built);

// The description shipped with the program.
QByteArray shippedInterfaceDescription();

// The command values that travel in a sender: its tag, its state (0 off, 1
// on), and the software component it names ("component" in the description).
qint64 tagOf(const QObject* sender);
QString componentOf(const QObject* sender);
int stateOf(const QObject* sender);
void setStateOf(QObject* sender, int state);

}  // namespace ratelark
