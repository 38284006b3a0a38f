#include "app/PreferenceKeys.h"
#include "measure/InterfaceChoice.h"
#include "platform/InterfaceChoiceBox.h"
#include "tests/support/Harness.h"
#include "tools/CountedInterfaces.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include <mutex>

namespace ratelark {
namespace {

using testing::Harness;
using testing::waitUntil;

TEST(InterfaceNames, FollowTheKernelsRule) {
    for (const char* name : {"eth0", "a", "abcdefghijklmno", "...", "$(reboot)", "`id`", "a;b", "'\"", "\xc3\xa9"})
        EXPECT_TRUE(isValidInterfaceName(QString::fromUtf8(name))) << name;
    for (const char* name : {"", ".", "..", "abcdefghijklmnop", "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9",
                             "a/b", "a:b", "a b", "a\tb", "a\nb", "\x01", "x\x7f", "a\xc2\xa0"})
        EXPECT_FALSE(isValidInterfaceName(QString::fromUtf8(name))) << name;
}

struct SysfsCase {
    const char* what;
    const char* tree;  // the kernel's interfaces, each NAME or NAME:ENTRY,ENTRY with what its sysfs folder holds
    const char* counted;
};

void PrintTo(const SysfsCase& c, std::ostream* out) { *out << c.what; }

class AutomaticInterfaces : public ::testing::TestWithParam<SysfsCase> {};

TEST_P(AutomaticInterfaces, AreThoseBackedByADeviceElseAllButLoopback) {
    QTemporaryDir root;
    std::vector<std::string> names;
    for (const QString& interface : QString::fromLatin1(GetParam().tree).split(QLatin1Char(' '))) {
        const QString folder = root.filePath(interface.section(QLatin1Char(':'), 0, 0));
        names.push_back(interface.section(QLatin1Char(':'), 0, 0).toStdString());
        ASSERT_TRUE(QDir().mkpath(folder));
        for (const QString& entry : interface.section(QLatin1Char(':'), 1).split(QLatin1Char(','), Qt::SkipEmptyParts))
            ASSERT_TRUE(QDir().mkpath(folder + QLatin1Char('/') + entry));
    }
    std::string counted;
    for (const std::string& name : netstat::automaticInterfaces(names, root.path().toStdString()))
        counted += (counted.empty() ? "" : " ") + name;
    EXPECT_EQ(counted, GetParam().counted);
}

INSTANTIATE_TEST_SUITE_P(
    Table, AutomaticInterfaces,
    ::testing::Values(
        SysfsCase{"Ethernet and Wi-Fi beside docker, a tunnel and WireGuard",
                  "docker0:bridge eth0:device lo tun0:tun_flags veth3f2a:brport wg0 wlan0:device,phy80211", "eth0 wlan0"},
        SysfsCase{"a bond counts through its members", "bond0:bonding eth0:device,master eth1:device,master", "eth0 eth1"},
        SysfsCase{"a VLAN on a device-backed link", "eth0:device eth0.10 lo", "eth0"},
        SysfsCase{"a virtual machine host's uplink in a bridge", "br0:bridge enp3s0:device,master tap0:tun_flags vnet0", "enp3s0"},
        SysfsCase{"USB tethering and a WWAN modem", "lo usb0:device wwan0:device", "usb0 wwan0"},
        SysfsCase{"a namespace of a bridge and veths only: all but lo", "br0:bridge lo veth0:brport veth1:brport", "br0 veth0 veth1"},
        SysfsCase{"only the loopback", "lo", ""}));

TEST(InterfaceChoice, KeepsTheValidNamesAndSaysWhatItLeavesOut) {
    struct Case {
        QVariant stored;
        QStringList names;
        qsizetype problems;
    };
    const Case cases[] = {
        {QVariant(), {}, 0},
        {QString(), {}, 0},
        {QStringLiteral("eth0"), {"eth0"}, 0},  // one name reads back as a text
        {QStringList{"wlan0", "eth0", "wlan0", "a b"}, {"wlan0", "eth0"}, 1},
        {QByteArray("eth0"), {}, 1},
        {QVariant(42), {}, 1},
    };
    for (const Case& c : cases) {
        const InterfaceChoice choice = interfaceChoice(c.stored);
        EXPECT_EQ(choice.names, c.names) << c.stored.toString().toStdString();
        EXPECT_EQ(choice.problems.size(), c.problems) << c.stored.toString().toStdString();
    }
    QStringList garbage;
    for (int i = 0; i < 300; ++i) garbage << QStringLiteral("if%1").arg(i);
    EXPECT_EQ(interfaceChoice(garbage).names, garbage.mid(0, 256));
}

// Makes the harness's sampler one that writes its arguments, one a line,
// beside itself.
QString recordSamplerArguments(Harness& harness) {
    return harness.controller().services().paths.samplerTool =
               harness.writeScript(QStringLiteral("sampler"), QStringLiteral("printf '%s\\n' \"$@\" > \"$0.args\"\nexec sleep 1000\n"));
}

// The arguments of the sampler started next.
QStringList nextArguments(const QString& sampler) {
    QFile file(sampler + QStringLiteral(".args"));
    if (!waitUntil([&] { return file.size() > 0; })) return {QStringLiteral("no sampler")};
    file.open(QIODevice::ReadOnly);
    const QStringList arguments = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    file.remove();
    return arguments;
}

TEST(CountedInterfaces, HostileNamesInTheSettingChangeNothingButTheLog) {
    // Each of these would leave a file in the current folder if a shell or
    // awk ran it as code; the kernel accepts them as names, so they travel,
    // as data only.
    const QStringList inert = {QStringLiteral("$(>A)"), QStringLiteral("`>B`"), QStringLiteral(";>C;"),
                               QStringLiteral("'$(>D)'"), QStringLiteral("\"$(>E)\""), QStringLiteral("\");print>\"F\"#")};
    const QStringList refused = {QStringLiteral("$(> G)"), QStringLiteral("$(>H)0123456789ab"), QStringLiteral("a/$(>I)"),
                                 QStringLiteral("a:$(>J)"), QStringLiteral("$(>K)\n"), QStringLiteral("\x01$(>L)")};
    QTemporaryDir current;
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(current.path()));
    Harness harness;
    const QString sampler = recordSamplerArguments(harness);
    harness.settings().setObject(inert + refused, keys::interfaces);
    TotalsPipelines pipelines;
    pipelines.shell = harness.writeScript(QStringLiteral("shell"), QStringLiteral("printf '%s\\n' \"$RATELARK_INTERFACES\" >> \"$0.env\"\nexec /bin/bash \"$@\"\n"));
    harness.controller().setTotalsPipelines(pipelines);
    harness.start();

    QStringList expected;
    for (const QString& name : inert) expected << QStringLiteral("--interface") << name;
    EXPECT_EQ(nextArguments(sampler), expected << QStringLiteral("1"));
    harness.controller().menuWillOpen(nullptr);
    QFile environment(pipelines.shell + QStringLiteral(".env"));
    const QByteArray passed = (inert.join(QLatin1Char(' ')) + QLatin1Char('\n')).repeated(2).toUtf8();
    ASSERT_TRUE(waitUntil([&] { return environment.size() == passed.size(); }));
    // The pass lets go of the lock once both runs are over.
    harness.controller().condition()->lock();
    harness.controller().condition()->unlock();
    environment.open(QIODevice::ReadOnly);
    EXPECT_EQ(environment.readAll(), passed) << "both runs of the pass got the names, as data";

    // A restart reads the setting again but says nothing new.
    harness.controller().onTimerStartStopTask();
    EXPECT_EQ(nextArguments(sampler), expected);
    const QString log = harness.consoleLog();
    EXPECT_EQ(log.count(QStringLiteral("not a valid interface name")), refused.size()) << log.toStdString();
    EXPECT_EQ(log.count(QStringLiteral("does not exist now")), inert.size()) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("\"$(>K)\\x0a\""))) << "control characters are shown escaped";
    EXPECT_EQ(QDir(current.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList()) << "something ran";
    QDir::setCurrent(saved);
}

TEST(CountedInterfaces, TheSettingsWindowChoosesThemAndSaysWhatIsCounted) {
    Harness harness;
    const QString sampler = recordSamplerArguments(harness);
    harness.settings().setObject(QStringList{QStringLiteral("lo"), QStringLiteral("rl-absent0")}, keys::interfaces);
    harness.start();
    EXPECT_EQ(nextArguments(sampler), QStringList({"--interface", "lo", "--interface", "rl-absent0", "1"}));
    harness.controller().clickWindow(nullptr);
    auto* box = qobject_cast<InterfaceChoiceBox*>(harness.ui.named.value(QStringLiteral("interfacesChoice")));
    ASSERT_NE(box, nullptr);
    // The check box of an interface; the automatic one has no name.
    auto check = [&](const QString& name) {
        for (QCheckBox* check : box->findChildren<QCheckBox*>())
            if (!check->isHidden() && check->property("interface").toString() == name) return check;
        return static_cast<QCheckBox*>(nullptr);
    };
    auto summary = [&] { return box->findChild<QLabel*>()->text(); };
    EXPECT_EQ(box->listed().mid(box->listed().size() - 2), QStringList({"lo", "rl-absent0"})) << "chosen ones are listed";
    EXPECT_FALSE(check(QString())->isChecked());
    EXPECT_TRUE(check(QStringLiteral("rl-absent0"))->isChecked() && check(QStringLiteral("rl-absent0"))->isEnabled());
    EXPECT_EQ(summary(), QStringLiteral("Counted now: lo; not present: rl-absent0"));

    check(QStringLiteral("rl-absent0"))->click();
    EXPECT_EQ(interfaceChoice(harness.reopenSettings()->valueForKey(keys::interfaces)).names, QStringList({"lo"}));
    EXPECT_EQ(nextArguments(sampler), QStringList({"--interface", "lo", "1"})) << "a new sampler at once";
    EXPECT_EQ(summary(), QStringLiteral("Counted now: lo"));
    check(QStringLiteral("lo"))->click();
    EXPECT_EQ(nextArguments(sampler), QStringList({"1"})) << "nothing marked is the automatic choice";
    EXPECT_TRUE(check(QString())->isChecked());
    EXPECT_TRUE(harness.consoleLog().contains(QStringLiteral("Counting the interfaces chosen in the settings: lo\n")));
}

}  // namespace
}  // namespace ratelark
