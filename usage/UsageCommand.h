#pragma once

#include "usage/UsagePeriod.h"

namespace ratelark {

// `ratelark --usage`: records the counters as they are now, so that the
// report includes the last minutes, then prints the report on standard
// output. Exit status 0, or 1 when the history cannot be opened.
int runUsageCommand(int argc, char** argv, UsagePeriod period, UsageFormat format);

}  // namespace ratelark
