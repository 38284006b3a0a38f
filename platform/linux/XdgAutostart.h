#pragma once

#include "platform/LoginItemService.h"

#include <QByteArray>
#include <QString>

namespace ratelark {

// Login items as the desktops start them: an entry
// $XDG_CONFIG_HOME/autostart/<identifier>.desktop, written to enable and
// removed to disable. The entry is the program's own desktop entry with Exec
// pointing at the program by its absolute path, since the session may start
// it before the user's PATH is in place.
class XdgAutostart : public LoginItemService {
public:
    XdgAutostart(QByteArray desktopEntry, QString program);

    bool setEnabled(const QString& identifier, bool enabled) override;
    // An entry that the user turned off in the desktop's settings (Hidden, or
    // GNOME's X-GNOME-Autostart-enabled=false) counts as not registered.
    bool isEnabled(const QString& identifier) override;

    // Where the entry for identifier lives, for the current XDG_CONFIG_HOME;
    // empty for an identifier that is no plain file name.
    static QString entryPath(const QString& identifier);

private:
    QByteArray desktopEntry_;
    QString program_;
};

// The autostart entry for program made from the program's desktop entry: its
// [Desktop Entry] group with Exec replaced and X-GNOME-Autostart-enabled=true
// added. Empty when program cannot be written as an Exec value.
QByteArray autostartEntry(const QByteArray& desktopEntry, const QString& program);

// The program's own desktop entry, as installed for the desktop's menus.
QByteArray shippedDesktopEntry();

// program as one Exec argument: quoted and escaped where the desktop entry
// format asks for it.
QString execArgument(const QString& program);

}  // namespace ratelark
