#pragma once

#include <QString>

namespace ratelark {

// Registration of a program to start at login.
class LoginItemService {
public:
    virtual ~LoginItemService() = default;
    // true: registered (enabled) or unregistered (disabled); false: refused.
    virtual bool setEnabled(const QString& identifier, bool enabled) = 0;
    virtual bool isEnabled(const QString& identifier) = 0;
};

}  // namespace ratelark
