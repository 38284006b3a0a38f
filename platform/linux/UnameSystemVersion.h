#pragma once

#include "platform/SystemVersion.h"

#include <QByteArrayView>

namespace ratelark {

class UnameSystemVersion : public SystemVersion {
public:
    VersionNumbers query() override;
};

// "6.1.0-18-amd64" gives 6, 1, 0; missing or garbled numbers are 0.
VersionNumbers parseKernelRelease(QByteArrayView release);

}  // namespace ratelark
