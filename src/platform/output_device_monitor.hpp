#pragma once

#include <functional>

namespace quilvo {

// Watches the default audio output device.
class OutputDeviceMonitor {
  public:
    virtual ~OutputDeviceMonitor() = default;
    // `changed` runs on the main thread each time the default output device changes. A second
    // install replaces the first callback.
    virtual void install(std::function<void()> changed) = 0;
};

}  // namespace quilvo
