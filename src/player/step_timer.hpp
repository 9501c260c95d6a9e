#pragma once

#include <functional>
#include <memory>

#include "platform/clock.hpp"
#include "platform/event_loop.hpp"

namespace quilvo {

// A repeating timer whose firings only post `step` to the main queue. The posted step runs with
// the timer, and is dropped if the timer was invalidated before it got its turn.
std::shared_ptr<Timer> scheduleSteps(EventLoop& loop, Seconds interval,
                                     std::function<void(Timer&)> step);

}  // namespace quilvo
