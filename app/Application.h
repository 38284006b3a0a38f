#pragma once

namespace ratelark {

// The process entry's whole work: reads the command line, loads the interface
// description, starts the controller and runs the event loop.
int runApplication(int argc, char** argv);

}  // namespace ratelark
