#pragma once

namespace ratelark {

// Hands the memory freed since the last time back to the system, where the
// allocator keeps it otherwise: after a window that used a lot of it has gone.
void returnFreedMemory();

}  // namespace ratelark
