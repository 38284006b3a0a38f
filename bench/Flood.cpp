// flood: a stand-in sampler for the soak run, printing sampler lines at a
// high fixed rate on absolute deadlines, with values that change from line
// to line so that every title differs.
#include "bench/Commands.h"
#include "bench/ProcFiles.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <unistd.h>

namespace ratelark::bench {

int floodCommand(int argc, char** argv) {
    const double perSecond = argc > 0 ? std::atof(argv[0]) : 200;
    if (perSecond <= 0) return 2;
    ::signal(SIGPIPE, SIG_DFL);  // a reader that has gone ends the flood
    const auto step = std::int64_t(1e9 / perSecond);
    std::uint64_t n = 0;
    for (std::int64_t next = nowNs();; next += step) {
        sleepUntilNs(next);
        ++n;
        char line[128];
        const int length = std::snprintf(line, sizeof line, "%8llu     0 %10llu %8llu     0 %10llu     0\n",
                                         static_cast<unsigned long long>(n % 997),
                                         static_cast<unsigned long long>((n * 7919) % 5000000),
                                         static_cast<unsigned long long>(n % 991),
                                         static_cast<unsigned long long>((n * 104729) % 300000000));
        if (::write(STDOUT_FILENO, line, std::size_t(length)) < 0 && errno != EINTR) return 0;
    }
}

}  // namespace ratelark::bench
