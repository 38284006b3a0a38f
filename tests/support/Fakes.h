#pragma once

#include "platform/Appearance.h"
#include "platform/EventLoop.h"
#include "platform/LoginItemService.h"
#include "platform/StatusBar.h"
#include "platform/SystemVersion.h"
#include "platform/Workspace.h"

#include <QList>
#include <QMenu>
#include <QPointer>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>
#include <vector>

namespace ratelark::testing {

// Fakes for what cannot run here or cannot be observed otherwise. Each may
// call a hook when used, so a test can look at the controller at that moment.

struct FakeSystemVersion : SystemVersion {
    VersionNumbers answer{10, 15, 7};
    int queries = 0;
    std::function<void()> onQuery;
    VersionNumbers query() override {
        ++queries;
        if (onQuery) onQuery();
        return answer;
    }
};

struct FakeStatusItem : StatusItem {
    QPointer<QMenu> menu;
    std::optional<AttributedText> title;
    int titleSets = 0;
    void setMenu(QMenu* m) override { menu = m; }
    void setAttributedTitle(const AttributedText& t) override {
        title = t;
        ++titleSets;
    }
};

struct FakeStatusBar : StatusBar {
    std::vector<std::shared_ptr<FakeStatusItem>> created;
    std::vector<std::shared_ptr<StatusItem>> removed;
    std::function<void()> onCreate;
    std::shared_ptr<StatusItem> statusItemWithVariableLength() override {
        if (onCreate) onCreate();
        created.push_back(std::make_shared<FakeStatusItem>());
        return created.back();
    }
    void removeStatusItem(const std::shared_ptr<StatusItem>& item) override { removed.push_back(item); }
    FakeStatusItem* last() const { return created.empty() ? nullptr : created.back().get(); }
};

struct FakeAppearance : Appearance {
    QVariant style;  // what the desktop reports; invalid means nothing
    QVariant interfaceStyle() override { return style; }
};

struct FakeWorkspace : Workspace {
    QList<QUrl> opened;
    int monitorLaunches = 0;
    bool canOpenAll = true;  // whether every scheme has a handler
    bool openUrl(const QUrl& url) override {
        opened << url;
        return true;
    }
    bool canOpen(const QUrl&) override { return canOpenAll; }
    bool launchSystemMonitor() override {
        ++monitorLaunches;
        return true;
    }
};

struct FakeLoginItems : LoginItemService {
    bool refuseEnable = false;
    bool refuseDisable = false;
    bool enabled = false;
    QStringList calls;  // "enable id" / "disable id"
    bool setEnabled(const QString& identifier, bool enable) override {
        calls << (enable ? QStringLiteral("enable ") : QStringLiteral("disable ")) + identifier;
        if (enable ? refuseEnable : refuseDisable) return false;
        enabled = enable;
        return true;
    }
    bool isEnabled(const QString&) override { return enabled; }
};

struct FakeEventLoop : EventLoop {
    int stops = 0;
    std::function<void()> onStop;
    void stop() override {
        ++stops;
        if (onStop) onStop();
    }
};

}  // namespace ratelark::testing
