#include "platform/linux/DesktopAppearance.h"

#include "platform/linux/SessionBus.h"

#include "platform/EverySecond.h"
#include "platform/Log.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPalette>
#include <QStandardPaths>

namespace ratelark {

namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kPortalInterface = QStringLiteral("org.freedesktop.portal.Settings");
constexpr int kPortalTimeoutMs = 2000;
// How long before a desktop whose portal did not answer is asked again: a
// portal may start later in the session.
constexpr int kPortalRetryMs = 60000;
const QString kAppearanceGroup = QStringLiteral("org.freedesktop.appearance");
const QString kColorSchemeKey = QStringLiteral("color-scheme");

// The portal's Read answers a variant inside a variant.
QVariant unwrapped(QVariant value) {
    while (value.userType() == qMetaTypeId<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    return value;
}

// "dark" or "light" in any case; anything else forces nothing.
std::optional<bool> forcedDark(const QString& override) {
    const QString word = override.trimmed();
    if (word.compare(QStringLiteral("dark"), Qt::CaseInsensitive) == 0) return true;
    if (word.compare(QStringLiteral("light"), Qt::CaseInsensitive) == 0) return false;
    return std::nullopt;
}

bool isTrue(QByteArrayView value) {
    return value == "1" || value.compare("true", Qt::CaseInsensitive) == 0;
}

// A window background darker than mid-grey: what a dark Qt or GTK theme gives.
bool paletteIsDark() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
    return QGuiApplication::palette().color(QPalette::Window).lightness() < 128;
}

}  // namespace

DesktopAppearance::DesktopAppearance(AppearanceSources sources)
    : sources_(std::move(sources)),
      forced_(forcedDark(sources_.override)),
      unknownOverrideToSay_(!forced_ && !sources_.override.trimmed().isEmpty()) {}

DesktopAppearance::~DesktopAppearance() = default;

RATELARK_EVERY_SECOND
QVariant DesktopAppearance::interfaceStyle() {
    if (unknownOverrideToSay_) {
        unknownOverrideToSay_ = false;
        nsLog(QStringLiteral("RATELARK_APPEARANCE is %1, not dark or light; following the desktop")
                  .arg(quotedForLog(sources_.override)));
    }
    std::optional<bool> dark = forced_;
    if (!dark) dark = portalPrefersDark();
    const bool prefersDark = dark ? *dark : lookedPrefersDark();
    return prefersDark ? QVariant(QStringLiteral("Dark")) : QVariant();
}

void PortalSettingWatch::settingChanged(const QDBusMessage& change) {
    const QList<QVariant> arguments = change.arguments();
    if (arguments.size() == 3 && arguments[0] == kAppearanceGroup && arguments[1] == kColorSchemeKey)
        colorSchemeChanged_(arguments[2]);
}

RATELARK_EVERY_SECOND
std::optional<bool> DesktopAppearance::portalPrefersDark() {
    if (!sources_.bus || !sources_.bus->isConnected()) return std::nullopt;
    if (!portalWatch_) {
        portalWatch_ = std::make_unique<PortalSettingWatch>([this](const QVariant& value) {
            portalAnswer_ = colorSchemePrefersDark(unwrapped(value));
            portalAnswered_ = true;
        });
        sources_.bus->connect(kPortalService, kPortalPath, kPortalInterface, QStringLiteral("SettingChanged"),
                              portalWatch_.get(), SLOT(settingChanged(QDBusMessage)));
    }
    const bool ask = !portalAnswered_ && (!portalAsked_.isValid() || portalAsked_.hasExpired(kPortalRetryMs));
    if (!pendingPortal_ && ask) askPortal();
    return portalAnswer_;
}

void DesktopAppearance::askPortal() {
    portalAsked_.start();
    QDBusMessage read = QDBusMessage::createMethodCall(kPortalService, kPortalPath, kPortalInterface,
                                                       QStringLiteral("Read"));
    read << kAppearanceGroup << kColorSchemeKey;
    pendingPortal_ = std::make_unique<QDBusPendingCallWatcher>(sources_.bus->asyncCall(read, kPortalTimeoutMs));
    QObject::connect(pendingPortal_.get(), &QDBusPendingCallWatcher::finished, pendingPortal_.get(),
                     [this](QDBusPendingCallWatcher* watcher) {
                         const QDBusMessage reply = watcher->reply();
                         // No portal, or one without the setting: the next source decides.
                         const bool answered = reply.type() != QDBusMessage::ErrorMessage;
                         // A change the signal told meanwhile is newer than this answer.
                         if (!portalAnswered_)
                             portalAnswer_ = answered ? colorSchemePrefersDark(unwrapped(reply.arguments().value(0)))
                                                      : std::nullopt;
                         portalAnswered_ = portalAnswered_ || answered;
                         pendingPortal_.release()->deleteLater();
                     });
}

// The palette is asked here too, not every second: reading it touches code
// of Qt's GUI and widgets that nothing else of a second's title needs.
RATELARK_EVERY_SECOND
bool DesktopAppearance::lookedPrefersDark() {
    if (looked_.isValid() && !looked_.hasExpired(sources_.answerLifeMs)) return lookedAnswer_;
    looked_.start();
    const std::optional<bool> gtk = lookAtGtkFiles();
    lookedAnswer_ = gtk ? *gtk : sources_.otherwiseDark ? *sources_.otherwiseDark : paletteIsDark();
    return lookedAnswer_;
}

RATELARK_EVERY_SECOND
std::optional<bool> DesktopAppearance::lookAtGtkFiles() {
    for (const QString& path : sources_.gtkSettingsFiles) {
        const QFileInfo info(path);
        if (!info.isReadable()) continue;
        if (path != gtkFile_ || info.lastModified() != gtkModified_) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) continue;
            gtkFile_ = path;
            gtkModified_ = info.lastModified();
            gtkAnswer_ = gtkSettingsPrefersDark(file.readAll());
        }
        return gtkAnswer_;
    }
    return std::nullopt;
}

AppearanceSources sessionAppearanceSources() {
    AppearanceSources sources;
    sources.override = qEnvironmentVariable("RATELARK_APPEARANCE");
    const QDBusConnection bus = advertisedSessionBus();
    if (bus.isConnected()) sources.bus = bus;
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    sources.gtkSettingsFiles = {config + QStringLiteral("/gtk-4.0/settings.ini"),
                                config + QStringLiteral("/gtk-3.0/settings.ini")};
    return sources;
}

AppearanceSources barAppearanceSources() {
    AppearanceSources sources;
    sources.override = qEnvironmentVariable("RATELARK_APPEARANCE");
    sources.otherwiseDark = true;
    return sources;
}

std::optional<bool> colorSchemePrefersDark(const QVariant& value) {
    bool ok = false;
    const uint scheme = value.toUInt(&ok);
    if (!ok) return std::nullopt;
    if (scheme == 1) return true;
    if (scheme == 2) return false;
    return std::nullopt;
}

std::optional<bool> gtkSettingsPrefersDark(QByteArrayView settingsIni) {
    std::optional<bool> answer;
    for (QByteArrayView line : settingsIni.toByteArray().split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals < 0) continue;
        const QByteArrayView key = line.first(equals).trimmed();
        const QByteArrayView value = line.sliced(equals + 1).trimmed();
        if (key == "gtk-application-prefer-dark-theme") {
            if (isTrue(value)) return true;
            answer = false;
        } else if (key == "gtk-theme-name") {
            if (QString::fromUtf8(value).contains(QStringLiteral("dark"), Qt::CaseInsensitive)) return true;
            answer = false;
        }
    }
    return answer;
}

}  // namespace ratelark
