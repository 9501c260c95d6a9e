#pragma once

#include <functional>
#include <memory>
#include <string>

#include "adapters/pulse/pulse_default_sink_watch.hpp"
#include "platform/event_loop.hpp"
#include "platform/output_device_monitor.hpp"
#include "platform/system_condition.hpp"

namespace quilvo {

// The output-device monitor on a PulseAudio (or PipeWire pulse) server: another default sink,
// or another active port on it, is a change of device. It also tells whether a sound server
// answers at all. Without a sound server it reports no change of device.
class PulseOutputDeviceMonitor final : public OutputDeviceMonitor {
  public:
    // `loop` is the main thread's loop and must outlive the monitor.
    explicit PulseOutputDeviceMonitor(EventLoop& loop);
    ~PulseOutputDeviceMonitor() override;

    // Starts watching at the first install.
    void install(std::function<void()> changed) override;
    // `changed` runs on the main thread with whether a server answers: at once with what is
    // known (unknown before the first attempt), then at each change. Starts watching too.
    void watchSoundServer(std::function<void(SoundServer)> changed);
    // `named` runs on the main thread with the server's name ("PulseAudio (on PipeWire 0.3.65)")
    // once it is known, and again when it is read after a restart. Starts watching too.
    void watchServerName(std::function<void(const std::string&)> named);

  private:
    // Touched on the main thread only; work still queued there holds it weakly.
    struct Listeners {
        std::function<void()> deviceChanged;
        std::function<void(SoundServer)> serverChanged;
        SoundServer server = SoundServer::unknown;
        std::function<void(const std::string&)> serverNamed;
        std::string serverName;
    };

    void startWatch();

    EventLoop& loop_;
    std::shared_ptr<Listeners> listeners_;
    std::unique_ptr<PulseDefaultSinkWatch> watch_;
};

}  // namespace quilvo
