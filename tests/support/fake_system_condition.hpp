#pragma once

#include <functional>
#include <utility>

#include "platform/system_condition.hpp"

namespace quilvo::testing {

class FakeSystemCondition : public SystemConditionMonitor {
  public:
    void install(std::function<void(SystemCondition)> changed) override {
        changed_ = std::move(changed);
    }
    void holdSleepDelay(bool held) override { delayHeld = held; }

    void set(bool online, bool asleep) {
        if (changed_) {
            changed_({online, asleep});
        }
    }

    bool delayHeld = false;

  private:
    std::function<void(SystemCondition)> changed_;
};

}  // namespace quilvo::testing
