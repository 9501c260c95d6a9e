#include "adapters/pulse/pulse_output_device_monitor.hpp"

#include <utility>

namespace quilvo {

PulseOutputDeviceMonitor::PulseOutputDeviceMonitor(EventLoop& loop)
    : loop_(loop), listeners_(std::make_shared<Listeners>()) {}

PulseOutputDeviceMonitor::~PulseOutputDeviceMonitor() = default;

void PulseOutputDeviceMonitor::install(std::function<void()> changed) {
    listeners_->deviceChanged = std::move(changed);
    startWatch();
}

void PulseOutputDeviceMonitor::watchSoundServer(std::function<void(SoundServer)> changed) {
    listeners_->serverChanged = std::move(changed);
    startWatch();
    // A copy, so the callback may replace itself while it runs.
    const auto call = listeners_->serverChanged;
    call(listeners_->server);
}

void PulseOutputDeviceMonitor::watchServerName(std::function<void(const std::string&)> named) {
    listeners_->serverNamed = std::move(named);
    startWatch();
    if (!listeners_->serverName.empty()) {
        const auto call = listeners_->serverNamed;
        call(listeners_->serverName);
    }
}

void PulseOutputDeviceMonitor::startWatch() {
    if (watch_) {
        return;
    }
    std::weak_ptr<Listeners> weak = listeners_;
    watch_ = std::make_unique<PulseDefaultSinkWatch>(
        [&loop = loop_, weak] {
            loop.post([weak] {
                if (const auto listeners = weak.lock(); listeners && listeners->deviceChanged) {
                    const auto call = listeners->deviceChanged;
                    call();
                }
            });
        },
        [&loop = loop_, weak](bool answers) {
            loop.post([weak, answers] {
                const auto listeners = weak.lock();
                if (!listeners) {
                    return;
                }
                listeners->server = answers ? SoundServer::answers : SoundServer::absent;
                if (listeners->serverChanged) {
                    const auto call = listeners->serverChanged;
                    call(listeners->server);
                }
            });
        },
        [&loop = loop_, weak](std::string name) {
            loop.post([weak, name = std::move(name)] {
                const auto listeners = weak.lock();
                if (!listeners || listeners->serverName == name) {
                    return;
                }
                listeners->serverName = name;
                if (listeners->serverNamed) {
                    const auto call = listeners->serverNamed;
                    call(name);
                }
            });
        });
}

}  // namespace quilvo
