#pragma once

#include <functional>
#include <memory>

#include "adapters/pulse/pulse_default_sink_watch.hpp"
#include "platform/event_loop.hpp"
#include "platform/output_device_monitor.hpp"

namespace quilvo {

// The output-device monitor on a PulseAudio (or PipeWire pulse) server: the default sink's
// name changing is a change of device. Without a sound server it does nothing.
class PulseOutputDeviceMonitor final : public OutputDeviceMonitor {
  public:
    // `loop` is the main thread's loop and must outlive the monitor.
    explicit PulseOutputDeviceMonitor(EventLoop& loop);
    ~PulseOutputDeviceMonitor() override;

    // Starts watching at the first install.
    void install(std::function<void()> changed) override;

  private:
    EventLoop& loop_;
    // Touched on the main thread only; work still queued there holds it weakly.
    std::shared_ptr<std::function<void()>> changed_;
    std::unique_ptr<PulseDefaultSinkWatch> watch_;
};

}  // namespace quilvo
