#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "stats/local_http_server.hpp"
#include "support/child_process.hpp"
#include "support/temp_dir.hpp"

namespace quilvo::testing {

// The built `quilvo` tray application as a child process on a test's X display and session
// bus, cut off from the desktop: a catalogue whose one station is a refused loopback port, its
// state and runtime folders in a temporary folder, no sound server, and statistics uploads
// going to an endpoint of this object that records them. Killed on destruction.
class TrayApp {
  public:
    static constexpr std::chrono::milliseconds kTimeout{15000};

    // `display` and `busAddress` as in DISPLAY and DBUS_SESSION_BUS_ADDRESS. Throws
    // std::runtime_error if the program does not start or would not use the test catalogue.
    TrayApp(const std::string& display, const std::string& busAddress);

    TrayApp(const TrayApp&) = delete;
    TrayApp& operator=(const TrayApp&) = delete;

    pid_t pid() const { return app_->pid(); }

    // Waits until the program is up: it has claimed its media-player name on the bus, which it
    // does after its tray icon was set up.
    bool waitUntilRunning(std::chrono::milliseconds timeout = kTimeout) const;

    // The bodies of the statistics uploads received so far.
    std::vector<std::string> uploads() const;
    // Waits for an upload carrying an event of `type` ("app_open").
    bool waitForUpload(std::string_view type, std::chrono::milliseconds timeout = kTimeout) const;
    // The exit code once the program has exited, absent on timeout.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout = kTimeout);

  private:
    std::string busAddress_;
    TempDir dir_;
    LocalHttpServer statsEndpoint_;
    std::unique_ptr<ChildProcess> app_;
};

}  // namespace quilvo::testing
