#include "platform/ProcessExit.h"

#include <cstdio>

#include <unistd.h>

namespace ratelark {

void exitImmediately(int status) {
    std::fflush(nullptr);
    ::_exit(status);
}

}  // namespace ratelark
