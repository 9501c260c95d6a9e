#include "ui_e2e/tray_app.hpp"

#include <filesystem>
#include <stdexcept>

#include "support/cli_process.hpp"
#include "support/fault_stream_server.hpp"
#include "ui_e2e/dbus_send.hpp"

namespace quilvo::testing {
namespace {

constexpr std::chrono::seconds kCheckTimeout{10};

}  // namespace

TrayApp::TrayApp(const std::string& display, const std::string& busAddress)
    : busAddress_(busAddress), dir_("quilvo-tray") {
    const auto catalogue = dir_ / "stations.json";
    writeCatalogue(catalogue, {{"tone", FaultStreamServer::refusedUrl(), {"calm"}}});
    std::string listing;
    if (runCommand({QUILVO_APP, "--check-catalogue", catalogue.string()}, kCheckTimeout,
                   &listing) != 0) {
        throw std::runtime_error("quilvo would not use the test catalogue:\n" + listing);
    }
    std::filesystem::create_directories(dir_ / "runtime");
    std::filesystem::permissions(dir_ / "runtime", std::filesystem::perms::owner_all);

    ChildProcess::Options options;
    options.env = {
        "DISPLAY=" + display,
        "DBUS_SESSION_BUS_ADDRESS=" + busAddress,
        "QT_QPA_PLATFORM=xcb",
        // Simplified Chinese glyphs from the CJK font.
        "LANG=zh_CN.UTF-8",
        "XDG_STATE_HOME=" + (dir_ / "state").string(),
        "XDG_CONFIG_HOME=" + (dir_ / "config").string(),
        "XDG_RUNTIME_DIR=" + (dir_ / "runtime").string(),
        "PULSE_SERVER=unix:" + (dir_ / "no-sound-server").string(),
        "DO_NOT_TRACK=0",
        "QUILVO_STATS_ENDPOINT=" + statsEndpoint_.url(),
        "no_proxy=127.0.0.1",
    };
    app_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{QUILVO_APP, "--catalogue", catalogue.string()}, options);
}

bool TrayApp::waitUntilRunning(std::chrono::milliseconds timeout) const {
    return waitUntil(
        [this] { return busNameHasOwner(busAddress_, "org.mpris.MediaPlayer2.quilvo"); }, timeout);
}

std::vector<std::string> TrayApp::uploads() const {
    std::vector<std::string> bodies;
    for (const auto& request : statsEndpoint_.requests()) {
        bodies.push_back(request.body);
    }
    return bodies;
}

bool TrayApp::waitForUpload(std::string_view type, std::chrono::milliseconds timeout) const {
    const std::string member = "\"type\":\"" + std::string(type) + "\"";
    return waitUntil(
        [&] {
            for (const auto& body : uploads()) {
                if (body.find(member) != std::string::npos) {
                    return true;
                }
            }
            return false;
        },
        timeout);
}

std::optional<int> TrayApp::waitForExit(std::chrono::milliseconds timeout) {
    return app_->wait(timeout);
}

}  // namespace quilvo::testing
