#pragma once

#include <QVariant>

namespace ratelark {

// The desktop's colour-scheme preference, in the form the title composition
// reads it: the text "Dark" while the desktop prefers dark, otherwise nothing.
class Appearance {
public:
    virtual ~Appearance() = default;
    virtual QVariant interfaceStyle() = 0;
};

}  // namespace ratelark
