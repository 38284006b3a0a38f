#include "app/AppController.h"
#include "platform/TextField.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace ratelark {
namespace {

using testing::Harness;

// Every action named anywhere in a description, with the tags of its senders.
void collectActions(const QJsonValue& value, QMultiHash<QString, qint64>& actions) {
    if (value.isArray()) {
        for (const QJsonValue& element : value.toArray()) collectActions(element, actions);
    } else if (value.isObject()) {
        const QJsonObject object = value.toObject();
        if (object.contains(QStringLiteral("action")))
            actions.insert(object.value(QStringLiteral("action")).toString(),
                           object.value(QStringLiteral("tag")).toInteger(0));
        for (const QJsonValue& child : object) collectActions(child, actions);
    }
}

TEST(InterfaceDescription, ShippedFileConnectsEveryFieldAndAction) {
    Harness::Options options;
    options.loadInterface = false;
    Harness harness(options);
    InterfaceConnections connections = harness.controller().interfaceConnections();
    QHash<QString, int> connected;
    for (auto it = connections.outlets.begin(); it != connections.outlets.end(); ++it)
        it.value() = [&connected, name = it.key(), set = it.value()](QObject* object) {
            ++connected[name];
            set(object);
        };

    harness.ui = loadInterface(shippedInterfaceDescription(), connections);

    EXPECT_TRUE(harness.ui.errors.isEmpty()) << harness.ui.errors.join(QLatin1Char('\n')).toStdString();
    const QStringList fields = {QStringLiteral("window"),        QStringLiteral("panel"),
                                QStringLiteral("textFieldUp"),   QStringLiteral("textFieldDown"),
                                QStringLiteral("statusMenu"),    QStringLiteral("refreshMenu"),
                                QStringLiteral("showTypeMenu"),  QStringLiteral("itemDataReceived"),
                                QStringLiteral("itemDataSent")};
    for (const QString& field : fields) EXPECT_EQ(connected.value(field), 1) << field.toStdString();
    AppController& c = harness.controller();
    EXPECT_TRUE(c.window() && c.panel() && c.textFieldUp() && c.textFieldDown() && c.statusMenu() &&
                c.refreshMenu() && c.showTypeMenu() && c.itemDataReceived() && c.itemDataSent());
    EXPECT_TRUE(c.panel()->isWindow() && c.window()->isWindow());
    EXPECT_EQ(c.textFieldUp()->window(), c.panel());
}

TEST(InterfaceDescription, ChoiceListsCarryTheirValuesAsTags) {
    Harness harness;
    QList<qint64> refreshTags;
    for (QAction* item : harness.controller().refreshMenu()->actions()) refreshTags << tagOf(item);
    EXPECT_EQ(refreshTags, (QList<qint64>{1, 2, 3, 5, 10, 30}));
    QList<qint64> typeTags;
    for (QAction* item : harness.controller().showTypeMenu()->actions()) typeTags << tagOf(item);
    EXPECT_EQ(typeTags, (QList<qint64>{0, 1, 2}));

    QMultiHash<QString, qint64> actions;
    collectActions(QJsonDocument::fromJson(shippedInterfaceDescription()).object(), actions);
    const QList<qint64> refreshActionTags = actions.values(QStringLiteral("clickRefreshInterval"));
    EXPECT_EQ(QSet<qint64>(refreshActionTags.begin(), refreshActionTags.end()), (QSet<qint64>{1, 2, 3, 5, 10, 30}));
    const InterfaceConnections connections = harness.controller().interfaceConnections();
    for (const QString& name : actions.uniqueKeys())
        EXPECT_TRUE(connections.actions.contains(name)) << name.toStdString();
    for (const char* command : {"clickOpenAtLogin", "resetDataState", "launchActivityMonitor", "clickRateOnAppStore",
                                "clickSupport", "clickQuit", "clickMenuShowWindow", "clickButtonShowWindow",
                                "clickWindow", "clickFont", "avoidConsoleFlush"})
        EXPECT_TRUE(actions.contains(QString::fromLatin1(command))) << command;
}

TEST(InterfaceDescription, TotalsMenuHasTheControllerAsDelegate) {
    Harness::Options options;
    options.loadInterface = false;
    Harness harness(options);
    InterfaceConnections connections = harness.controller().interfaceConnections();
    QMenu* opened = nullptr;
    connections.menuWillOpen = [&](QMenu* menu) { opened = menu; };
    harness.ui = loadInterface(shippedInterfaceDescription(), connections);
    QMenu* totalsMenu = qobject_cast<QMenu*>(harness.controller().itemDataReceived()->parent());
    ASSERT_NE(totalsMenu, nullptr);
    EXPECT_EQ(totalsMenu, qobject_cast<QMenu*>(harness.controller().itemDataSent()->parent()));
    emit totalsMenu->aboutToShow();
    EXPECT_EQ(opened, totalsMenu);
}

TEST(InterfaceDescription, ReportsWhatItCannotConnect) {
    Harness::Options options;
    options.loadInterface = false;
    Harness harness(options);
    const LoadedInterface bad = loadInterface(
        R"({"menus": [{"outlet": "noSuchField", "items": [{"title": "x", "action": "noSuchOperation"}]}],
            "windows": [{"controls": [{"type": "dial"}]}]})",
        harness.controller().interfaceConnections());
    EXPECT_EQ(bad.errors.size(), 3) << bad.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(loadInterface("{not json", harness.controller().interfaceConnections()).errors.isEmpty());
}

TEST(InterfaceDescription, CheckableItemsReachTheirActionWithThePreviousMark) {
    Harness::Options options;
    options.loadInterface = false;
    Harness harness(options);
    InterfaceConnections connections;
    int stateSeen = -1;
    connections.actions.insert(QStringLiteral("probe"), [&](QObject* sender) { stateSeen = stateOf(sender); });
    const LoadedInterface ui = loadInterface(
        R"({"menus": [{"items": [{"title": "x", "name": "item", "action": "probe", "checkable": true}]}]})",
        connections);
    auto* item = qobject_cast<QAction*>(ui.named.value(QStringLiteral("item")));
    ASSERT_NE(item, nullptr);
    item->trigger();
    EXPECT_EQ(stateSeen, 0);
    EXPECT_FALSE(item->isChecked()) << "the handler, not the toolkit, owns the mark";
}

}  // namespace
}  // namespace ratelark
