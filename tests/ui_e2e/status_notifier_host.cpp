#include "ui_e2e/status_notifier_host.hpp"

#include <stdexcept>
#include <utility>

#include "ui_e2e/dbus_send.hpp"

namespace quilvo::testing {
namespace {

const std::string kWatcher = "org.kde.StatusNotifierWatcher";
const std::string kItemInterface = "org.kde.StatusNotifierItem";

}  // namespace

StatusNotifierHost::StatusNotifierHost(std::string busAddress)
    : busAddress_(std::move(busAddress)) {
    ChildProcess::Options options;
    options.env = {"DBUS_SESSION_BUS_ADDRESS=" + busAddress_};
    watcher_ = std::make_unique<ChildProcess>(std::vector<std::string>{"status-notifier-watcher"},
                                              options);
    if (!waitUntil([this] { return busNameHasOwner(busAddress_, kWatcher); }, kTimeout)) {
        throw std::runtime_error("status-notifier-watcher did not take its bus name within 10 s");
    }
    // The name need not be owned: the watcher only counts hosts.
    if (!call({"--dest=" + kWatcher, "/StatusNotifierWatcher",
               kWatcher + ".RegisterStatusNotifierHost",
               "string:org.kde.StatusNotifierHost-quilvo-test"}) ||
        watcherProperty("IsStatusNotifierHostRegistered").value_or("").find("boolean true") ==
            std::string::npos) {
        throw std::runtime_error("status-notifier-watcher did not register the host");
    }
}

std::optional<std::string> StatusNotifierHost::call(
    const std::vector<std::string>& arguments) const {
    return dbusSend(busAddress_, arguments);
}

std::optional<std::string> StatusNotifierHost::watcherProperty(const std::string& name) const {
    return call({"--dest=" + kWatcher, "/StatusNotifierWatcher",
                 "org.freedesktop.DBus.Properties.Get", "string:" + kWatcher, "string:" + name});
}

std::vector<StatusNotifierItem> StatusNotifierHost::items() const {
    std::vector<StatusNotifierItem> items;
    const auto reply = watcherProperty("RegisteredStatusNotifierItems");
    if (!reply) {
        return items;
    }
    // Each entry is a bus name, or a bus name followed by the item's object path.
    for (const auto& entry : replyStrings(*reply)) {
        const auto slash = entry.find('/');
        if (slash == std::string::npos) {
            items.push_back({entry, "/StatusNotifierItem"});
        } else {
            items.push_back({entry.substr(0, slash), entry.substr(slash)});
        }
    }
    return items;
}

std::optional<StatusNotifierItem> StatusNotifierHost::waitForItem(
    std::chrono::milliseconds timeout) const {
    std::optional<StatusNotifierItem> found;
    waitUntil(
        [&] {
            const auto registered = items();
            if (!registered.empty()) {
                found = registered.front();
            }
            return found.has_value();
        },
        timeout);
    return found;
}

bool StatusNotifierHost::activate(const StatusNotifierItem& item, int x, int y) const {
    return call({"--dest=" + item.service, item.path, kItemInterface + ".Activate",
                 "int32:" + std::to_string(x), "int32:" + std::to_string(y)})
        .has_value();
}

bool StatusNotifierHost::contextMenu(const StatusNotifierItem& item, int x, int y) const {
    return call({"--dest=" + item.service, item.path, kItemInterface + ".ContextMenu",
                 "int32:" + std::to_string(x), "int32:" + std::to_string(y)})
        .has_value();
}

}  // namespace quilvo::testing
