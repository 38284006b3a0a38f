#include "app/AppController.h"

#include "app/PreferenceKeys.h"
#include "platform/Fonts.h"
#include "platform/Log.h"
#include "platform/WindowEvents.h"
#include "platform/WindowOrdering.h"

#include <QCoreApplication>
#include <QTimer>

namespace ratelark {

namespace {

constexpr int kRestartIntervalMs = 30 * 1000;
// How soon a sampler that ended on its own is replaced.
constexpr int kWatchIntervalMs = 1000;

}  // namespace

AppController::AppController(PlatformServices services, QObject* parent)
    : QObject(parent), services_(std::move(services)) {
    // Registration precedes every read the controller makes.
    if (!standardUserDefaults().hasRegisteredDefaults()) initialize(standardUserDefaults());
    if (!services_.paths.usageHistory.isEmpty())
        usageRecorder_ = std::make_unique<UsageRecorder>(services_.paths.usageHistory);
}

AppController::~AppController() {
    // A totals worker uses the controller to its last step: end its pipeline
    // and let it leave first.
    totalsWorkers_.endAndWait();
    setCondition(nullptr);
}

void AppController::initialize(SettingsStore& store) {
    QVariantMap defaults;
    // Texts, not numbers: the integer and boolean reads convert them.
    defaults.insert(keys::refreshInterval, QStringLiteral("1"));
    defaults.insert(keys::showType, QStringLiteral("0"));
    defaults.insert(keys::showKBMBGB, QStringLiteral("1"));
    const QFont font = userFixedPitchFont(keys::defaultFontSize);
    defaults.insert(keys::fontName, fontName(font));
    defaults.insert(keys::fontSize, QVariant(static_cast<float>(font.pointSizeF())));
    store.registerDefaults(defaults);
    // What the program offers: the tags of the two choice menus and the sizes
    // of the font dialog. Anything else stored reads as the default.
    store.registerAllowedValues(keys::refreshInterval, {.choices = {1, 2, 3, 5, 10, 30}});
    store.registerAllowedValues(keys::showType, {.choices = {0, 1, 2}});
    store.registerAllowedValues(keys::fontSize, {.choices = {}, .least = 1.0, .most = 512.0});
}

void AppController::awakeFromNib() {
    setCondition(std::make_shared<std::mutex>());
    if (QCoreApplication* application = QCoreApplication::instance())
        application->installEventFilter(
            new WindowCloseObserver([this](QWidget* closing) { windowWillClose(closing); }, this));
    if (panel())
        new WindowDelegate(
            panel(), [this](QWidget* resized) { windowDidResize(resized); },
            [this](QWidget* closing) { windowWillClose(closing); },
            [this](QWidget* sheetParent) { windowDidEndSheet(sheetParent); });
    redirectConsoleLogToDocumentFolder();
    setRResetDataSent(0.0);
    setRResetDataReceived(0.0);
    setBResetDataSent(false);
    setBResetDataReceived(false);

    const VersionNumbers version = services_.systemVersion->query();
    setVersionMajor(version.major);
    setVersionMinor(version.minor);
    setVersionBugFix(version.bugFix);
    nsLog(QStringLiteral("%1.%2.%3").arg(versionMajor()).arg(versionMinor()).arg(versionBugFix()));
    // A settings file set aside while opening the store is told here, where
    // the log can keep it.
    const QString notices = standardUserDefaults().takeOpeningNotice();
    for (const QString& notice : notices.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) nsLog(notice);

    startStopTask();
    showUsage();
    updateStatusItem(nullptr);
    markItemsWithTag(refreshMenu(), standardUserDefaults().integerForKey(keys::refreshInterval));

    const QString name = standardUserDefaults().valueForKey(keys::fontName).toString();
    const float size = standardUserDefaults().valueForKey(keys::fontSize).toFloat();
    if (const auto stored = fontWithName(name, size)) {
        setFont(*stored);
    } else {
        // An uninstalled or garbled font falls back to the default so that the
        // title always has a font to draw with and to convert.
        setFont(userFixedPitchFont(keys::defaultFontSize));
        nsLog(QStringLiteral("Font %1 at %2 pt is not available; using %3")
                  .arg(quotedForLog(name)).arg(size).arg(fontName(font())));
    }

    markItemsWithTag(showTypeMenu(), standardUserDefaults().integerForKey(keys::showType));

    auto* restartTimer = new QTimer(this);
    restartTimer->setInterval(kRestartIntervalMs);
    connect(restartTimer, &QTimer::timeout, this, &AppController::onTimerStartStopTask);
    restartTimer->start();
    samplerWatch_ = new QTimer(this);
    samplerWatch_->setInterval(kWatchIntervalMs);
    connect(samplerWatch_, &QTimer::timeout, this, &AppController::onTimerWatchSampler);
    if (!samplerRunning()) samplerWatch_->start();

    if (standardUserDefaults().boolForKey(keys::showWindow) && panel()) orderFront(panel());
    // The show-window marks start out as the stored wish.
    followPreferences();
    becomeFontManagerTarget();
}

void AppController::markItemsWithTag(QMenu* menu, qint64 value) {
    if (!menu) return;
    for (QAction* item : menu->actions()) setStateOf(item, tagOf(item) == value ? 1 : 0);
}

}  // namespace ratelark
