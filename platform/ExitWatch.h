#pragma once

namespace ratelark {

// How the end of a child process is noticed. Linux before 5.3 has no
// pidfd_open; there, and wherever it fails, the child is looked at every few
// milliseconds instead.
enum class ExitWatch { PidFd, Polling };

}  // namespace ratelark
