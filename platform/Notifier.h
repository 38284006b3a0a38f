#pragma once

#include <QString>

#include <memory>

namespace ratelark {

// Tells the user something that matters once, through the desktop's
// notifications; where the session has none, the log says it instead.
class Notifier {
public:
    virtual ~Notifier() = default;
    virtual void notify(const QString& summary, const QString& body) = 0;
};

std::unique_ptr<Notifier> makeDesktopNotifier();

}  // namespace ratelark
