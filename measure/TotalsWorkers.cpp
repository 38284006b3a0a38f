#include "measure/TotalsWorkers.h"

#include <condition_variable>
#include <mutex>

namespace ratelark {

// Shared with every ticket, so that a worker's last step (dropping its
// ticket) touches nothing the controller owns.
struct TotalsWorkers::State {
    std::mutex mutex;
    std::condition_variable gone;
    int inFlight = 0;
    bool ending = false;
    std::shared_ptr<ShellCommand> current;
};

TotalsWorkers::TotalsWorkers() : state_(std::make_shared<State>()) {}

std::shared_ptr<void> TotalsWorkers::enter() {
    const std::shared_ptr<State> state = state_;
    {
        const std::lock_guard lock(state->mutex);
        ++state->inFlight;
    }
    return std::shared_ptr<void>(state.get(), [state](void*) {
        const std::lock_guard lock(state->mutex);
        --state->inFlight;
        state->gone.notify_all();
    });
}

ShellCommand::Result TotalsWorkers::run(const std::shared_ptr<ShellCommand>& command) {
    {
        const std::lock_guard lock(state_->mutex);
        if (state_->ending) return {ShellCommand::Outcome::Ended, {}, {}};
        state_->current = command;
    }
    ShellCommand::Result result = command->run();
    const std::lock_guard lock(state_->mutex);
    state_->current.reset();
    return result;
}

void TotalsWorkers::end() {
    const std::lock_guard lock(state_->mutex);
    state_->ending = true;
    if (state_->current) state_->current->end();
}

void TotalsWorkers::endAndWait() {
    end();
    std::unique_lock lock(state_->mutex);
    state_->gone.wait(lock, [this] { return state_->inFlight == 0; });
}

}  // namespace ratelark
