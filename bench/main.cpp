// ratelark-bench: the measuring side of `make bench`.
#include "bench/Commands.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    using namespace ratelark::bench;
    if (argc >= 2) {
        if (!std::strcmp(argv[1], "meter")) return meterCommand(argc - 2, argv + 2);
        if (!std::strcmp(argv[1], "accuracy")) return accuracyCommand(argc - 2, argv + 2);
        if (!std::strcmp(argv[1], "totals")) return totalsCommand(argc - 2, argv + 2);
        if (!std::strcmp(argv[1], "flood")) return floodCommand(argc - 2, argv + 2);
        if (!std::strcmp(argv[1], "usage")) return usageCommand(argc - 2, argv + 2);
        if (!std::strcmp(argv[1], "watcher")) return watcherCommand(argc - 2, argv + 2);
        if (!std::strcmp(argv[1], "spawn")) return spawnCommand(argc - 2, argv + 2);
        if (!std::strcmp(argv[1], "pages")) return pagesCommand(argc - 2, argv + 2);
        if (!std::strcmp(argv[1], "floor")) return floorCommand(argc - 2, argv + 2);
    }
    std::fprintf(stderr, "usage: ratelark-bench meter|accuracy|totals|flood|usage|watcher|spawn|pages|floor ...\n");
    return 2;
}
