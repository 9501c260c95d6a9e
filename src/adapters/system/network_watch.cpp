#include "adapters/system/network_watch.hpp"

#include <gio/gio.h>

#include <utility>

namespace quilvo {

namespace {

constexpr const char* kService = "org.freedesktop.NetworkManager";
constexpr const char* kPath = "/org/freedesktop/NetworkManager";
constexpr const char* kManager = "org.freedesktop.NetworkManager";

// NetworkManager's NMState values that reach beyond this machine: connected to a site, globally.
constexpr unsigned kConnectedSite = 60;
constexpr unsigned kConnectedGlobal = 70;

}  // namespace

NetworkWatch::NetworkWatch(GDBusConnection* bus, std::function<void()> changed)
    : bus_(bus), changed_(std::move(changed)) {
    if (bus_ == nullptr) {
        return;
    }
    subscription_ = g_dbus_connection_signal_subscribe(
        bus_, kService, kManager, "StateChanged", kPath, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, const char*, const char*, const char*, const char*,
           GVariant* parameters, void* self) {
            auto& watch = *static_cast<NetworkWatch*>(self);
            if (g_variant_is_of_type(parameters, G_VARIANT_TYPE("(u)"))) {
                unsigned state = 0;
                g_variant_get(parameters, "(u)", &state);
                watch.state_ = state;
                watch.changed_();
            }
        },
        this, nullptr);
    // Asking must not start a NetworkManager that the machine does not run.
    GVariant* reply =
        g_dbus_connection_call_sync(bus_, kService, kPath, "org.freedesktop.DBus.Properties", "Get",
                                    g_variant_new("(ss)", kManager, "State"), G_VARIANT_TYPE("(v)"),
                                    G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, nullptr, nullptr);
    if (reply != nullptr) {
        GVariant* state = nullptr;
        g_variant_get(reply, "(v)", &state);
        if (g_variant_is_of_type(state, G_VARIANT_TYPE_UINT32)) {
            state_ = g_variant_get_uint32(state);
        }
        g_variant_unref(state);
        g_variant_unref(reply);
    }
}

NetworkWatch::~NetworkWatch() {
    if (subscription_ != 0) {
        g_dbus_connection_signal_unsubscribe(bus_, subscription_);
    }
}

std::optional<bool> NetworkWatch::online() const {
    if (!state_) {
        return std::nullopt;
    }
    // Asleep, still connecting or only on the local link: no streams yet.
    return *state_ == kConnectedSite || *state_ == kConnectedGlobal;
}

}  // namespace quilvo
