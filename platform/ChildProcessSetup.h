#pragma once

#include <sys/types.h>

namespace ratelark {

// Runs in a freshly forked child before it starts its program, so only calls
// that are safe between fork and exec. The child gets SIGTERM when the
// process parent ends, and starts with no blocked signals and with SIGINT,
// SIGTERM and SIGPIPE at their defaults, whatever the program blocks or
// ignores. A child whose parent has already ended exits at once.
void prepareChildProcess(pid_t parent);

}  // namespace ratelark
