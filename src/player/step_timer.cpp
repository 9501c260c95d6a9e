#include "player/step_timer.hpp"

#include <utility>

namespace quilvo {

std::shared_ptr<Timer> scheduleSteps(EventLoop& loop, Seconds interval,
                                     std::function<void(Timer&)> step) {
    // The timer is only known once scheduled; the loop owns it, the steps look it up weakly.
    auto self = std::make_shared<std::weak_ptr<Timer>>();
    auto shared = std::make_shared<std::function<void(Timer&)>>(std::move(step));
    auto timer = loop.scheduleRepeating(interval, [&loop, self, shared](Timer&) {
        loop.post([self, shared] {
            if (auto timer = self->lock(); timer && timer->isValid()) {
                (*shared)(*timer);
            }
        });
    });
    *self = timer;
    return timer;
}

}  // namespace quilvo
