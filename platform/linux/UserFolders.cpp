#include "platform/UserFolders.h"

#include <cstdlib>

#include <pwd.h>
#include <unistd.h>

namespace ratelark {

namespace {

bool isAbsolute(const char* path) { return path && path[0] == '/'; }

constexpr const char* kXdgFolders[] = {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME",
                                       "XDG_RUNTIME_DIR"};

}  // namespace

void settleUserFolders() {
    if (!isAbsolute(std::getenv("HOME")))
        if (const passwd* user = ::getpwuid(::getuid()); user && isAbsolute(user->pw_dir)) ::setenv("HOME", user->pw_dir, 1);
    for (const char* name : kXdgFolders)
        if (std::getenv(name) && !isAbsolute(std::getenv(name))) ::unsetenv(name);
}

}  // namespace ratelark
