#pragma once

#include <functional>
#include <utility>

#include "platform/output_device_monitor.hpp"

namespace quilvo::testing {

class FakeOutputDeviceMonitor : public OutputDeviceMonitor {
  public:
    void install(std::function<void()> changed) override { changed_ = std::move(changed); }

    // The default output device changed.
    void change() {
        if (changed_) {
            changed_();
        }
    }

  private:
    std::function<void()> changed_;
};

}  // namespace quilvo::testing
