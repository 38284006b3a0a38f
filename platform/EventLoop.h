#pragma once

namespace ratelark {

// The application's main event loop, as far as the controller stops it.
class EventLoop {
public:
    virtual ~EventLoop() = default;
    // Ends the loop after the current event.
    virtual void stop() = 0;
};

}  // namespace ratelark
