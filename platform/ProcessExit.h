#pragma once

namespace ratelark {

// Ends the process at once with status, after flushing standard output and
// error: no destructors and no exit handlers run, so that nothing waits for,
// or races, a worker thread or a child process still running.
[[noreturn]] void exitImmediately(int status);

}  // namespace ratelark
