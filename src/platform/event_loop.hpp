#pragma once

#include <functional>
#include <memory>

#include "platform/clock.hpp"

namespace quilvo {

// A repeating timer on the main thread. The loop keeps a scheduled timer alive until it is
// invalidated, so dropping the handle does not stop it (a fade-out keeps its player this way).
class Timer {
  public:
    virtual ~Timer() = default;
    virtual void invalidate() = 0;
    virtual bool isValid() const = 0;
};

// The main thread's event loop.
class EventLoop {
  public:
    virtual ~EventLoop() = default;

    // The steady clock's current instant.
    virtual Instant now() const = 0;

    // Runs `work` later on the main thread, in posting order. Safe to call from any thread.
    virtual void post(std::function<void()> work) = 0;

    // Runs `work` on the main thread once `delay` has passed.
    virtual void postAfter(Seconds delay, std::function<void()> work) = 0;

    // Calls `tick` on the main thread every `interval` until the timer is invalidated.
    virtual std::shared_ptr<Timer> scheduleRepeating(Seconds interval,
                                                     std::function<void(Timer&)> tick) = 0;
};

}  // namespace quilvo
