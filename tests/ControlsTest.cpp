// What the user sets and the desktop answers: the stored values, the
// interface description's contract, the menu's commands, the speed and
// settings windows, the font, and the desktop's appearance, system monitor
// and login items.
#include "app/PreferenceKeys.h"
#include "platform/Fonts.h"
#include "platform/MenuChoiceBox.h"
#include "platform/TextField.h"
#include "platform/WindowSystem.h"
#include "measure/TotalsPipelines.h"
#include "platform/InterfaceChoiceBox.h"
#include "platform/linux/DesktopAppearance.h"
#include "platform/linux/DesktopWorkspace.h"
#include "platform/linux/TrayItem.h"
#include "platform/linux/XdgAutostart.h"
#include "tests/support/Harness.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QLabel>
#include <QPalette>
#include <QScreen>
#include <QDir>
#include <QWindow>

namespace ratelark {
namespace {

using namespace testing;

void settle() { QCoreApplication::processEvents(); }

TEST(Preferences, ValuesOfTheWrongKindReadAsFallbacksAndTheDefaultFont) {
    Harness harness({.settingsFile = "[General]\nrefreshInterval=fast\nshowType=@Invalid()\nshowKBMBGB=maybe\n"
                                     "fontName=42\nfontSize=huge\ncolorIsRedBlue=@Variant(garbage)\n"});
    harness.start();
    EXPECT_EQ(harness.settings().integerForKey(keys::refreshInterval), 1) << "no such choice: the default";
    EXPECT_EQ(harness.settings().integerForKey(keys::showType), 0);
    EXPECT_FALSE(harness.settings().boolForKey(keys::showKBMBGB));
    EXPECT_EQ(QFontInfo(harness.controller().font()).family(), QFontInfo(userFixedPitchFont(12.0)).family());
    EXPECT_EQ(harness.controller().font().pointSizeF(), 12.0);
}

TEST(InterfaceDescription, TheShippedFileConnectsEveryActionTheChoiceTagsAndTheTotalsMenu) {
    Harness harness({.loadInterface = false});
    InterfaceConnections connections = harness.controller().interfaceConnections();
    QMenu* opened = nullptr;
    connections.menuWillOpen = [&](QMenu* menu) { opened = menu; };
    harness.ui = loadInterface(shippedInterfaceDescription(), connections);
    EXPECT_TRUE(harness.ui.errors.isEmpty()) << harness.ui.errors.join('\n').toStdString();
    AppController& c = harness.controller();
    QList<qint64> tags;
    for (QMenu* menu : {c.refreshMenu().data(), c.showTypeMenu().data()})
        for (QAction* item : menu->actions()) tags << tagOf(item);
    EXPECT_EQ(tags, (QList<qint64>{1, 2, 3, 5, 10, 30, 0, 1, 2}));
    emit qobject_cast<QMenu*>(c.itemDataReceived()->parent())->aboutToShow();
    EXPECT_EQ(opened, c.itemDataReceived()->parent()) << "the totals' menu has the controller as delegate";
    // A status line's: the menus alone, every window outlet empty.
    Harness bare({.loadInterface = false});
    bare.ui = loadInterface(shippedInterfaceDescription(), bare.controller().interfaceConnections(),
                            InterfaceParts::MenusOnly);
    EXPECT_TRUE(bare.ui.errors.isEmpty() && bare.ui.windows.empty() && bare.controller().statusMenu());
    EXPECT_FALSE(bare.controller().window() || bare.controller().panel() || bare.controller().textFieldUp());
}

TEST(MenuCommands, AChoiceIsStoredAtOnceMarkedAloneAndMirroredInTheSettingsWindow) {
    // As the tray starts: the settings window is built when first opened.
    Harness harness({.parts = InterfaceParts::AtStart, .settingsFile = "[General]\nrefreshInterval=5\nshowType=2\n"});
    AppController& c = harness.controller();
    harness.start();
    ASSERT_TRUE(!c.window() && c.panel());
    c.clickWindow(nullptr);
    ASSERT_TRUE(c.window() && c.window()->isVisible());
    EXPECT_FALSE(testing::readFile(harness.logPath()).contains("Interface description"));
    auto* refresh = c.window()->findChild<MenuChoiceBox*>("choiceRefreshInterval");
    EXPECT_EQ(refresh->currentText(), "5 Seconds");
    EXPECT_EQ(c.window()->findChild<MenuChoiceBox*>("choiceShowType")->currentText(), "Always M");
    c.refreshMenu()->actions().at(1)->trigger();  // 2 seconds
    c.refreshMenu()->actions().at(1)->trigger();  // the marked item again: the same value, still one mark
    EXPECT_EQ(markedTags(c.refreshMenu()), QList<qint64>{2});
    EXPECT_EQ(harness.reopenSettings()->integerForKey(keys::refreshInterval), 2);
    EXPECT_EQ(refresh->currentText(), "2 Seconds") << "the list follows the menu's marks";
    emit refresh->activated(refresh->findText("10 Seconds"));  // a choice in the list goes through the menu
    EXPECT_EQ(markedTags(c.refreshMenu()), QList<qint64>{10});
    c.showTypeMenu()->actions().at(0)->trigger();
    EXPECT_EQ(markedTags(c.showTypeMenu()), QList<qint64>{0});
    EXPECT_EQ(harness.reopenSettings()->integerForKey(keys::showType), 0);
}

// A default written into the file would stay the user's choice, and a later
// release's new default would never reach them.
TEST(MenuCommands, OnlyTheChangedSettingIsWrittenNeverTheDefaults) {
    Harness harness;
    harness.start();
    harness.controller().refreshMenu()->actions().at(1)->trigger();  // 2 seconds
    harness.settings().synchronize();
    const QByteArray stored = testing::readFile(harness.settingsPath());
    QList<QByteArray> values;
    for (const QByteArray& line : stored.split('\n'))
        if (line.contains('=')) values << line;
    EXPECT_EQ(values, QList<QByteArray>{"refreshInterval=2"}) << stored.toStdString();
}

TEST(MenuCommands, OpenAtLoginsMarkFollowsTheRegistration) {
    const QString helper = "com.tarnwick.ratelarkhelper";
    Harness harness;
    harness.start();
    auto* item = harness.named<QAction>("itemOpenAtLogin");
    item->trigger();
    EXPECT_EQ(harness.loginItems->calls, (QStringList{"disable " + helper, "enable " + helper}));
    EXPECT_EQ(stateOf(item), 1);
    harness.loginItems->refuseDisable = true;  // a refused disable is not logged
    item->trigger();
    EXPECT_EQ(harness.loginItems->calls.mid(2), QStringList{"disable " + helper});
    EXPECT_EQ(stateOf(item), 0);
    harness.loginItems->refuseEnable = true;
    item->trigger();
    EXPECT_EQ(stateOf(item), 0);
    EXPECT_EQ(harness.consoleLog().count("Couldn't add/remove Helper App to launch at login item list."), 1);
    // At the next start the mark shows the registration.
    Harness next({.loadInterface = false});
    next.loginItems->enabled = true;
    next.ui = loadInterface(shippedInterfaceDescription(), next.controller().interfaceConnections());
    EXPECT_EQ(stateOf(next.named<QAction>("itemOpenAtLogin")), 1);
}

TEST(MenuCommands, RateOpensTheSoftwareCentrePageAndSupportTheDocumentation) {
    Harness harness;
    harness.start();
    const auto item = [&](const QString& text) {
        for (QAction* action : harness.controller().statusMenu()->actions())
            if (action->text() == text) return action;
        return static_cast<QAction*>(nullptr);
    };
    QList<QUrl>& opened = harness.workspace->opened;
    item("Rate RateLark")->trigger();
    item("Support")->trigger();
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[0], QUrl("appstream://com.tarnwick.ratelark"));
    EXPECT_TRUE(opened[1].fileName() == "README.md" && QFile::exists(opened[1].toLocalFile())) << opened[1].toString().toStdString();
    // No software centre: nothing handed to a browser, said once. No README: said.
    harness.workspace->canOpenAll = false;
    item("Rate RateLark")->trigger();
    item("Rate RateLark")->trigger();
    harness.controller().services().paths.documentation = harness.path("missing.md");
    item("Support")->trigger();
    EXPECT_EQ(opened.size(), 2);
    EXPECT_EQ(harness.consoleLog().count("appstream://com.tarnwick.ratelark"), 1);
    EXPECT_EQ(harness.consoleLog().count("missing.md"), 1);
    harness.controller().services().paths.supportAddress = "https://packager.invalid/help";
    item("Support")->trigger();
    EXPECT_EQ(opened.last(), QUrl("https://packager.invalid/help"));
}

// The arguments of the sampler started next, as the harness's recording sampler wrote them.
QStringList nextSamplerArguments(const Harness& harness) {
    QFile file(harness.path("sampler.args"));
    if (!waitUntil([&] { return file.size() > 0; })) return {"no sampler"};
    const QStringList arguments = QString(readFile(file.fileName())).split('\n', Qt::SkipEmptyParts);
    file.remove();
    return arguments;
}

// Written aside and renamed, so that a reader never sees half of the list.
const QByteArray kRecordingSampler =
    "printf '%s\\n' \"$@\" > \"$0.args.new\" && mv \"$0.args.new\" \"$0.args\"\nexec sleep 1000\n";

// Each would leave a file in the current folder if a shell or awk ran it as
// code; the kernel accepts the first six as names, so they travel.
const QStringList kInertNames = {"$(>A)", "`>B`", ";>C;", "'$(>D)'", "\"$(>E)\"", "\");print>\"F\"#"};
const QStringList kRefusedNames = {"$(> G)", "$(>H)0123456789ab", "a/$(>I)", "a:$(>J)", "$(>K)\n", "\x01$(>L)"};

// A harness run in an empty current folder that must stay empty.
struct HostileNames {
    HostileNames() : saved(QDir::currentPath()), harness({.sampler = kRecordingSampler}) {
        EXPECT_TRUE(QDir::setCurrent(current.path()));
        harness.settings().setObject(kInertNames + kRefusedNames, keys::interfaces);
    }
    ~HostileNames() {
        EXPECT_EQ(QDir(current.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList()) << "something ran";
        QDir::setCurrent(saved);
    }
    QTemporaryDir current;
    const QString saved;
    Harness harness;
};

TEST(CountedInterfaces, HostileNamesReachTheSamplerAsArgumentsOrAreLeftOutAndLogged) {
    HostileNames hostile;
    hostile.harness.start();
    QStringList expected;
    for (const QString& name : kInertNames) expected << "--interface" << name;
    EXPECT_EQ(nextSamplerArguments(hostile.harness), expected << "1");
    const QString log = hostile.harness.consoleLog();
    EXPECT_EQ(log.count("not a valid interface name"), kRefusedNames.size()) << log.toStdString();
    EXPECT_TRUE(log.contains("\"$(>K)\\x0a\"")) << "control characters are shown escaped";
}

TEST(CountedInterfaces, HostileNamesReachBothTotalsRunsAsData) {
    HostileNames hostile;
    AppController& c = hostile.harness.controller();
    TotalsPipelines pipelines;
    pipelines.shell = writeBashScript(hostile.harness.path("shell"), "printf '%s\\n' \"$RATELARK_INTERFACES\" >> \"$0.env\"\nexec /bin/bash \"$@\"\n");
    c.setTotalsPipelines(pipelines);
    hostile.harness.startForTotals();
    c.menuWillOpen(nullptr);
    const QByteArray passed = (kInertNames.join(' ') + '\n').repeated(2).toUtf8();
    EXPECT_TRUE(waitUntil([&] { return readFile(pipelines.shell + ".env") == passed; })) << "both runs of a totals pass got them";
    const std::lock_guard passEnded(*c.condition());
}

TEST(CountedInterfaces, TheSettingsWindowChoosesThemAndANewSamplerCountsThemAtOnce) {
    Harness harness({.sampler = kRecordingSampler, .settingsFile = "[General]\ninterfaces=lo, rl-absent0\n"});
    harness.start();
    EXPECT_EQ(nextSamplerArguments(harness), QStringList({"--interface", "lo", "--interface", "rl-absent0", "1"}));
    harness.controller().clickWindow(nullptr);
    auto* box = harness.named<InterfaceChoiceBox>("interfacesChoice");
    const auto check = [&](const QString& name) {  // the automatic choice has no name
        for (QCheckBox* check : box->findChildren<QCheckBox*>())
            if (!check->isHidden() && check->property("interface").toString() == name) return check;
        return static_cast<QCheckBox*>(nullptr);
    };
    EXPECT_EQ(box->findChild<QLabel*>()->text(), "Counted now: lo; not present: rl-absent0");
    EXPECT_FALSE(check("")->isChecked());
    check("rl-absent0")->click();
    EXPECT_EQ(harness.reopenSettings()->valueForKey(keys::interfaces).toStringList(), QStringList{"lo"});
    EXPECT_EQ(nextSamplerArguments(harness), QStringList({"--interface", "lo", "1"}));
    check("lo")->click();
    EXPECT_EQ(nextSamplerArguments(harness), QStringList({"1"})) << "nothing marked is the automatic choice";
    EXPECT_TRUE(check("")->isChecked());
}

TEST(SpeedWindow, GoesThroughX11OnGnomeAndKdeUnderWaylandWhereAnX11DisplayIsThere) {
    const std::tuple<const char*, const char*, const char*, const char*, bool> rows[] = {
        // session, desktops, DISPLAY, QT_QPA_PLATFORM, through X11
        {"wayland", "ubuntu:GNOME", ":0", "", true}, {"Wayland", "KDE", ":1", "", true},
        {"wayland", "sway", ":0", "", false},        {"x11", "GNOME", ":0", "", false},
        {"wayland", "GNOME", "", "", false},         {"wayland", "GNOME", ":0", "wayland", false},
    };
    for (const auto& [session, desktops, display, chosen, x11] : rows)
        EXPECT_EQ(prefersX11(session, desktops, display, chosen), x11) << session << " " << desktops << " " << display << " " << chosen;
}

TEST(SpeedWindow, TheMenuItemAndTheCheckBoxShowAndHideItAndClosingItForgetsIt) {
    for (const bool wished : {false, true}) {
        Harness harness({.settingsFile = wished ? "[General]\nshowWindow=1\n" : ""});
        harness.start();
        QWidget* panel = harness.controller().panel();
        auto* item = harness.named<QAction>("itemShowWindow");
        auto* box = harness.named<QCheckBox>("checkShowWindow");
        EXPECT_EQ(panel->isVisible(), wished) << "shown at start as wished";
        EXPECT_TRUE(panel->testAttribute(Qt::WA_ShowWithoutActivating)) << "without taking the focus";
        // A utility panel kept above the others, with a close button and no minimise or maximise.
        const Qt::WindowFlags flags = panel->windowFlags();
        EXPECT_EQ(panel->windowType(), Qt::Tool);
        EXPECT_TRUE(flags.testFlags(Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint));
        EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
        for (int click = 0; click < 4; ++click) {
            const bool shown = !panel->isVisible();
            click < 2 ? item->trigger() : box->click();  // the menu item twice, then the check box twice
            settle();
            EXPECT_EQ(panel->isVisible(), shown);
            EXPECT_EQ(harness.reopenSettings()->boolForKey(keys::showWindow), shown);
            EXPECT_TRUE(item->isChecked() == shown && box->isChecked() == shown) << "the marks follow";
        }
        harness.controller().clickWindow(nullptr);
        harness.controller().window()->close();  // another window: nothing is stored
        settle();
        EXPECT_EQ(harness.reopenSettings()->boolForKey(keys::showWindow), wished);
        panel->show();
        panel->windowHandle()->close();  // the close button
        settle();
        EXPECT_EQ(harness.reopenSettings()->valueForKey(keys::showWindow).toString(), "0");
        EXPECT_FALSE(item->isChecked());
    }
}

TEST(SettingsWindow, ItsCheckBoxesShowAndStoreTheDisplaySettings) {
    Harness harness({.settingsFile = "[General]\nupAndDown=1\nshowKBMBGB=0\n"});
    harness.start();
    harness.settings().setObject(true, keys::colorIsRedBlue);  // written while the window is away
    harness.controller().clickWindow(nullptr);
    EXPECT_TRUE(harness.controller().window()->isVisible());
    for (const QString& key : {keys::upAndDown, keys::bitsPerSecond, keys::useFixedWith, keys::showArrow,
                               keys::onlyShowDownload, keys::colorIsRedBlue, keys::showKBMBGB}) {
        QCheckBox* box = nullptr;
        for (QCheckBox* candidate : harness.controller().window()->findChildren<QCheckBox*>())
            if (candidate->property("key") == key) box = candidate;
        ASSERT_NE(box, nullptr) << key.toStdString();
        const bool stored = harness.settings().boolForKey(key);
        EXPECT_EQ(box->isChecked(), stored) << key.toStdString();
        box->click();
        EXPECT_EQ(harness.reopenSettings()->boolForKey(key), !stored) << key.toStdString();
    }
}

TEST(Tray, AMenuThatGrowsWhileOpenStaysOnItsScreen) {
    QMenu menu;
    QAction* received = menu.addAction("Data Received: 0.0M");
    const QRect area = menu.screen()->availableGeometry();
    menu.popup(area.bottomRight());  // a tray in the bottom right corner
    TrayItem item;
    item.setMenu(&menu);
    received->setText("Data Received: 1234567.9M and a good deal more");  // a pass finished
    settle();
    EXPECT_TRUE(area.contains(menu.frameGeometry())) << menu.frameGeometry().right() << " past " << area.right();
}

// An installed family other than the one of font, or nothing.
QString anotherFamily(const QFont& font) {
    for (const QString family : {"DejaVu Serif", "DejaVu Sans", "Liberation Serif", "Noto Sans"})
        if (family != QFontInfo(font).family() && QFontDatabase::families().contains(family)) return family;
    return {};
}

TEST(FontChoice, AChoiceIsStoredAndTakenAtTheNextUpdateAndTheNextStart) {
    Harness harness({.settingsFile = "[General]\nfontSize=13.3\n"});
    AppController& c = harness.controller();
    harness.start();
    const QString family = anotherFamily(c.font());
    if (family.isEmpty()) GTEST_SKIP() << "only one font family is installed";
    c.clickFont(nullptr);
    QFontDialog* panel = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QFontDialog*>(window); dialog && dialog->isVisible()) panel = dialog;
    ASSERT_NE(panel, nullptr);

    QFont face = panel->currentFont();
    face.setFamily(family);
    panel->setCurrentFont(face);  // a new face keeps the size, which the panel cannot show
    EXPECT_EQ(QFontInfo(c.font()).family(), family);
    EXPECT_EQ(harness.reopenSettings()->valueForKey(keys::fontSize).toFloat(), 13.3f);
    c.getMBS("1 0 1024 1 0 2048 0\n");
    EXPECT_EQ(harness.statusBar->last()->title->font, c.font()) << "the title takes it at the next update";
    const QString name = fontName(c.font());
    QFont bigger = panel->currentFont();
    bigger.setPointSizeF(17.0);
    panel->setCurrentFont(bigger);  // a new size keeps the face

    Harness next({.settingsFile = readFile(harness.settingsPath())});
    next.start();
    EXPECT_EQ(fontName(next.controller().font()), name);
    EXPECT_EQ(next.controller().font().pointSizeF(), 17.0);
}

TEST(Desktop, TheAppearanceFollowsTheOverrideThenThePortalThenGtkThenThePalette) {
    QTemporaryDir dir;
    const ScopedEnvironment runtime("XDG_RUNTIME_DIR", dir.path().toUtf8());
    const ScopedEnvironment noBus("DBUS_SESSION_BUS_ADDRESS", QByteArray());
    EXPECT_FALSE(sessionAppearanceSources().bus.has_value()) << "no session bus, no portal to ask";
    for (const QString& task : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        EXPECT_NE(readFile("/proc/self/task/" + task + "/comm").trimmed(), "QDBusConnection") << "and no D-Bus thread";
    EXPECT_EQ(DesktopAppearance({" DARK ", {}, {}}).interfaceStyle(), "Dark");
    EXPECT_FALSE(DesktopAppearance({"light", {}, {}}).interfaceStyle().isValid());
    // With nothing else to go by the palette decides, looked at again once its answer is older than its life.
    const QPalette before = QGuiApplication::palette();
    const auto windowColor = [](Qt::GlobalColor color) {
        QPalette palette;
        palette.setColor(QPalette::Window, color);
        QGuiApplication::setPalette(palette);
    };
    windowColor(Qt::black);
    DesktopAppearance lookEachTime({{}, {}, {}, 0}), lookEveryMinute({{}, {}, {}, 60000});
    EXPECT_TRUE(lookEachTime.interfaceStyle() == "Dark" && lookEveryMinute.interfaceStyle() == "Dark");
    windowColor(Qt::white);
    EXPECT_TRUE(waitUntil([&] { return !lookEachTime.interfaceStyle().isValid(); }));
    EXPECT_EQ(lookEveryMinute.interfaceStyle(), "Dark") << "not asked again within its life";
    QGuiApplication::setPalette(before);
    // The settings portal's color-scheme: 1 prefers dark, 2 light, 0 says nothing.
    EXPECT_TRUE(colorSchemePrefersDark(1u) == true && colorSchemePrefersDark(2u) == false && !colorSchemePrefersDark(0u));
}

TEST(Desktop, AnAutostartEntryStartsTheProgramAtLoginUntilTheUserTurnsItOff) {
    QTemporaryDir config;
    const ScopedEnvironment configHome("XDG_CONFIG_HOME", config.path().toUtf8());
    const QString helper = "com.tarnwick.ratelarkhelper";
    const QString entry = config.filePath("autostart/" + helper + ".desktop");
    XdgAutostart autostart(shippedDesktopEntry(), "/opt/rate lark/bin/ratelark");
    EXPECT_FALSE(autostart.isEnabled(helper));
    EXPECT_TRUE(autostart.setEnabled(helper, true) && autostart.isEnabled(helper));
    const QByteArray text = readFile(entry);
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n") && text.contains("\nName=RateLark\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("\nExec=\"/opt/rate lark/bin/ratelark\"\n") && text.endsWith("\nX-GNOME-Autostart-enabled=true\n"));
    for (const char* off : {"Hidden=true", "X-GNOME-Autostart-enabled=false"}) {
        writeFile(entry, "[Desktop Entry]\nExec=/usr/bin/ratelark\n" + QByteArray(off) + '\n');
        EXPECT_FALSE(autostart.isEnabled(helper)) << off;
    }
    EXPECT_TRUE(autostart.setEnabled(helper, false) && !QFile::exists(entry) && autostart.setEnabled(helper, false));
    EXPECT_FALSE(autostart.setEnabled("../evil", true));
    EXPECT_EQ(execArgument("/a$b%"), "\"/a\\\\$b%%\"") << "quoted, $ escaped, backslashes doubled, % doubled";
    // A scheme has a handler when xdg-mime names one.
    QTemporaryDir bin;
    const ScopedEnvironment path("PATH", bin.path().toUtf8());
    const QUrl page("appstream://com.tarnwick.ratelark");
    EXPECT_FALSE(DesktopWorkspace().canOpen(page)) << "without xdg-mime";
    writeBashScript(bin.filePath("xdg-mime"), "[ \"$*\" = 'query default x-scheme-handler/appstream' ] && echo software.desktop\nexit 0\n");
    EXPECT_TRUE(DesktopWorkspace().canOpen(page));
    EXPECT_FALSE(DesktopWorkspace().canOpen(QUrl("other:x"))) << "an empty answer";
}

}  // namespace
}  // namespace ratelark
