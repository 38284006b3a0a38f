#include "platform/ChildProcessSetup.h"

#include <csignal>

#include <sys/prctl.h>
#include <unistd.h>

namespace ratelark {

void prepareChildProcess(pid_t parent) {
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    // The parent may have ended before the request took hold.
    if (::getppid() != parent) ::_exit(127);
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGPIPE, SIG_DFL);
}

}  // namespace ratelark
