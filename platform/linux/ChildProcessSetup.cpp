#include "platform/ChildProcessSetup.h"

#include <array>
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
    // A caught signal is back at its default once the child's program
    // starts; only an ignored one would stay ignored. Leaving the caught ones
    // alone also keeps this child from touching state it may share with the
    // parent when it was made by vfork.
    for (const int number : std::array{SIGINT, SIGTERM, SIGPIPE}) {
        struct sigaction current {};
        if (::sigaction(number, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) ::signal(number, SIG_DFL);
    }
}

}  // namespace ratelark
