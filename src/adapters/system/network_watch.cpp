#include "adapters/system/network_watch.hpp"

#include <gio/gio.h>

#include <utility>

namespace quilvo {

namespace {

constexpr const char* kService = "org.freedesktop.NetworkManager";
constexpr const char* kPath = "/org/freedesktop/NetworkManager";
constexpr const char* kManager = "org.freedesktop.NetworkManager";
constexpr const char* kDevice = "org.freedesktop.NetworkManager.Device";
constexpr int kCallTimeoutMs = 2000;

// NetworkManager's NMState values that reach beyond this machine: connected to a site, globally.
constexpr unsigned kConnectedSite = 60;
constexpr unsigned kConnectedGlobal = 70;
// NMDeviceType of the loopback device, which newer versions manage: no network.
constexpr unsigned kDeviceTypeLoopback = 32;

// One property of a NetworkManager object, or null. Asking must not start a NetworkManager that
// the machine does not run.
GVariant* property(GDBusConnection* bus, const char* path, const char* interface,
                   const char* name) {
    GVariant* reply = g_dbus_connection_call_sync(
        bus, kService, path, "org.freedesktop.DBus.Properties", "Get",
        g_variant_new("(ss)", interface, name), G_VARIANT_TYPE("(v)"),
        G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallTimeoutMs, nullptr, nullptr);
    if (reply == nullptr) {
        return nullptr;
    }
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    g_variant_unref(reply);
    return value;
}

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
                watch.countManagedDevices();
                watch.changed_();
            }
        },
        this, nullptr);
    // DeviceAdded and DeviceRemoved.
    devicesSubscription_ = g_dbus_connection_signal_subscribe(
        bus_, kService, kManager, nullptr, kPath, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, const char*, const char*, const char*, const char* signal, GVariant*,
           void* self) {
            auto& watch = *static_cast<NetworkWatch*>(self);
            if (g_str_has_prefix(signal, "Device")) {
                watch.countManagedDevices();
                watch.changed_();
            }
        },
        this, nullptr);
    if (GVariant* state = property(bus_, kPath, kManager, "State")) {
        if (g_variant_is_of_type(state, G_VARIANT_TYPE_UINT32)) {
            state_ = g_variant_get_uint32(state);
        }
        g_variant_unref(state);
        countManagedDevices();
    }
}

NetworkWatch::~NetworkWatch() {
    for (const unsigned subscription : {subscription_, devicesSubscription_}) {
        if (subscription != 0) {
            g_dbus_connection_signal_unsubscribe(bus_, subscription);
        }
    }
}

void NetworkWatch::countManagedDevices() {
    managedDevices_ = 0;
    GVariant* devices = property(bus_, kPath, kManager, "Devices");
    if (devices == nullptr) {
        return;
    }
    if (g_variant_is_of_type(devices, G_VARIANT_TYPE_OBJECT_PATH_ARRAY)) {
        GVariantIter iter;
        const char* path = nullptr;
        g_variant_iter_init(&iter, devices);
        while (g_variant_iter_next(&iter, "&o", &path)) {
            GVariant* managed = property(bus_, path, kDevice, "Managed");
            GVariant* type = property(bus_, path, kDevice, "DeviceType");
            if (managed != nullptr && type != nullptr &&
                g_variant_is_of_type(managed, G_VARIANT_TYPE_BOOLEAN) &&
                g_variant_is_of_type(type, G_VARIANT_TYPE_UINT32) &&
                g_variant_get_boolean(managed) &&
                g_variant_get_uint32(type) != kDeviceTypeLoopback) {
                ++managedDevices_;
            }
            for (GVariant* value : {managed, type}) {
                if (value != nullptr) {
                    g_variant_unref(value);
                }
            }
        }
    }
    g_variant_unref(devices);
}

std::optional<bool> NetworkWatch::online() const {
    if (!state_) {
        return std::nullopt;
    }
    // Asleep, still connecting or only on the local link: no streams yet, if the networks it
    // manages are all there is.
    return *state_ == kConnectedSite || *state_ == kConnectedGlobal || managedDevices_ == 0;
}

}  // namespace quilvo
