// The benchmark helper's commands, one per measurement; bench/run drives them.
#pragma once

namespace ratelark::bench {

int meterCommand(int argc, char** argv);
int accuracyCommand(int argc, char** argv);
int totalsCommand(int argc, char** argv);
int floodCommand(int argc, char** argv);
int usageCommand(int argc, char** argv);
int watcherCommand(int argc, char** argv);
int spawnCommand(int argc, char** argv);
int pagesCommand(int argc, char** argv);
int floorCommand(int argc, char** argv);

}  // namespace ratelark::bench
