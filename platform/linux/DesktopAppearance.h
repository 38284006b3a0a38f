#pragma once

#include "platform/Appearance.h"

#include <QByteArrayView>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QDateTime>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QDBusPendingCallWatcher;

namespace ratelark {

// Where the desktop's colour-scheme preference is looked for, first to last.
struct AppearanceSources {
    QString override;                      // "dark" or "light" decides alone; anything else is logged and ignored
    std::optional<QDBusConnection> bus;    // the session bus carrying the freedesktop settings portal
    QStringList gtkSettingsFiles;          // GTK's settings.ini files, the first readable one counts
    int answerLifeMs = 5000;               // how long the GTK files' or the palette's answer is used
    // What counts when the sources above say nothing; unset: the palette decides.
    std::optional<bool> otherwiseDark = std::nullopt;
};

// Receives the portal's SettingChanged signal, which tells of a change of
// the colour scheme as it happens.
class PortalSettingWatch : public QObject {
    Q_OBJECT
public:
    explicit PortalSettingWatch(std::function<void(const QVariant&)> colorSchemeChanged)
        : colorSchemeChanged_(std::move(colorSchemeChanged)) {}

public slots:
    void settingChanged(const QDBusMessage& change);  // (group, key, value)

private:
    std::function<void(const QVariant&)> colorSchemeChanged_;
};

// The desktop's appearance, asked at every display update and so kept cheap:
// the portal is asked once in the background and its signal followed after;
// the GTK files, and after them the palette, are looked at every few
// seconds, and the files read again only when they change.
class DesktopAppearance : public Appearance {
public:
    explicit DesktopAppearance(AppearanceSources sources);
    ~DesktopAppearance() override;

    QVariant interfaceStyle() override;

private:
    std::optional<bool> portalPrefersDark();
    bool lookedPrefersDark();  // the GTK files, else the fallback or the palette
    std::optional<bool> lookAtGtkFiles();
    void askPortal();

    AppearanceSources sources_;
    std::optional<bool> forced_;
    // An override that is neither dark nor light is said at the first
    // question, once the log is open: never on the terminal or a bar.
    bool unknownOverrideToSay_ = false;
    std::optional<bool> portalAnswer_;
    bool portalAnswered_ = false;  // the signal keeps an answer current
    QElapsedTimer portalAsked_;
    std::unique_ptr<PortalSettingWatch> portalWatch_;
    std::unique_ptr<QDBusPendingCallWatcher> pendingPortal_;
    QElapsedTimer looked_;
    bool lookedAnswer_ = false;  // what the last look found
    QString gtkFile_;
    QDateTime gtkModified_;
    std::optional<bool> gtkAnswer_;
};

// The sources of this session: $RATELARK_APPEARANCE, the session bus and the
// GTK 4 and GTK 3 settings under $XDG_CONFIG_HOME.
AppearanceSources sessionAppearanceSources();

// The sources for a bar: $RATELARK_APPEARANCE, else dark, whatever the
// desktop prefers, since bars are dark unless their users make them light.
AppearanceSources barAppearanceSources();

// The portal's "color-scheme" value: 1 prefers dark, 2 prefers light, and
// 0 (no preference) or anything else says nothing.
std::optional<bool> colorSchemePrefersDark(const QVariant& value);

// A GTK settings.ini: dark when it asks for the dark variant of its theme or
// names a dark theme; nothing when it says neither.
std::optional<bool> gtkSettingsPrefersDark(QByteArrayView settingsIni);

}  // namespace ratelark
