#include "adapters/pulse/pulse_output_device_monitor.hpp"

#include <utility>

namespace quilvo {

PulseOutputDeviceMonitor::PulseOutputDeviceMonitor(EventLoop& loop)
    : loop_(loop), changed_(std::make_shared<std::function<void()>>()) {}

PulseOutputDeviceMonitor::~PulseOutputDeviceMonitor() = default;

void PulseOutputDeviceMonitor::install(std::function<void()> changed) {
    *changed_ = std::move(changed);
    if (watch_) {
        return;
    }
    watch_ = std::make_unique<PulseDefaultSinkWatch>(
        [&loop = loop_, weakChanged = std::weak_ptr(changed_)] {
            loop.post([weakChanged] {
                if (const auto changed = weakChanged.lock(); changed && *changed) {
                    // A copy, so the callback may install another one while it runs.
                    const auto call = *changed;
                    call();
                }
            });
        });
}

}  // namespace quilvo
