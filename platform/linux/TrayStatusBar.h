#pragma once

#include "platform/StatusSurfaces.h"

#include <QObject>
#include <QTimer>

#include <memory>

namespace ratelark {

class TrayEntry;

// The desktop's status area. One entry serves all items: an item removed
// and another created within one event hand the entry over, so that it
// neither blinks nor moves; an item removed that nobody takes over leaves
// the status area once the event ends.
class TrayStatusBar : public QObject, public StatusBar {
public:
    TrayStatusBar(std::unique_ptr<StatusBar> standIn, StatusAreaNotice notice);
    ~TrayStatusBar() override;

    std::shared_ptr<StatusItem> statusItemWithVariableLength() override;
    void removeStatusItem(const std::shared_ptr<StatusItem>& item) override;

private:
    // After the event that removed an item: withdraws the entry nobody took
    // over, and shows a taken-over entry without title as a new item looks.
    void settle();

    std::shared_ptr<TrayEntry> entry_;
    // Due at once, after the event: a zero timer, which needs no wake-up of
    // the event loop as a posted call does at every update.
    QTimer settling_;
};

}  // namespace ratelark
