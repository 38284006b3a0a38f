#pragma once

// Marks a function that runs for every title, once a second. The compiler
// keeps such functions together in the binary: after a second asleep their
// code has left the caches, and each page a wake touches costs more than the
// instructions run on it.
#define RATELARK_EVERY_SECOND [[gnu::hot]]
