#pragma once

#include <QString>

#include <cstdint>

namespace ratelark {

// The kernel's id of the running boot: every boot has a new one, so a stored
// counter reading taken under another id says nothing about today's
// counters. $RATELARK_BOOT_ID names the file read instead of the kernel's.
// Empty when it cannot be read.
QString currentBootId();

// Nanoseconds since this boot, suspended time included: the clock that
// measures how long the interfaces may have been carrying bytes.
std::int64_t bootTimeNs();

}  // namespace ratelark
