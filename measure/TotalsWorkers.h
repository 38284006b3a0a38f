#pragma once

#include "platform/ShellCommand.h"

#include <memory>

namespace ratelark {

// The totals workers in flight and the pipeline run among them. A worker
// uses the controller to its last step, so the controller ends the running
// pipeline and waits for every worker before it goes away.
class TotalsWorkers {
public:
    TotalsWorkers();

    // A worker's ticket, taken on the starting thread before the worker
    // starts; the worker holds it to its end, and dropping it marks it gone.
    std::shared_ptr<void> enter();

    // Runs command as the current run, or reports it Ended without running
    // it once end() was called.
    ShellCommand::Result run(const std::shared_ptr<ShellCommand>& command);

    // Kills the current run's process group and lets no further run start.
    // Safe from any thread; never waits.
    void end();

    // end(), then waits until every worker has dropped its ticket. Each run
    // is bounded by its time limit, so this wait is too.
    void endAndWait();

private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace ratelark
