#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/child_process.hpp"

namespace quilvo::testing {

// One StatusNotifierItem as a desktop panel addresses it.
struct StatusNotifierItem {
    std::string service;
    std::string path;
};

// The tray of a desktop that speaks StatusNotifierItem, on a test's session bus: Debian's
// `status-notifier-watcher` with a host registered, as a panel would, and calls on the items
// as that panel makes when the user clicks them (over dbus-send). The watcher is killed on
// destruction.
class StatusNotifierHost {
  public:
    static constexpr std::chrono::milliseconds kTimeout{10000};

    // Starts the watcher and registers the host. Throws std::runtime_error if the watcher does
    // not come up or does not take the host.
    explicit StatusNotifierHost(std::string busAddress);

    // The items registered with the watcher.
    std::vector<StatusNotifierItem> items() const;
    // Waits until an item has registered; absent on timeout.
    std::optional<StatusNotifierItem> waitForItem(
        std::chrono::milliseconds timeout = kTimeout) const;

    // A left click on the item's icon at (x, y) in screen coordinates.
    bool activate(const StatusNotifierItem& item, int x, int y) const;
    // A right click.
    bool contextMenu(const StatusNotifierItem& item, int x, int y) const;

  private:
    std::optional<std::string> call(const std::vector<std::string>& arguments) const;
    std::optional<std::string> watcherProperty(const std::string& name) const;

    std::string busAddress_;
    std::unique_ptr<ChildProcess> watcher_;
};

}  // namespace quilvo::testing
