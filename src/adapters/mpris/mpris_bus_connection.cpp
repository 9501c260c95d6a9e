#include "adapters/mpris/mpris_bus_connection.hpp"

#include <gio/gio.h>

#include <unistd.h>

#include <algorithm>
#include <string>
#include <utility>

namespace quilvo {
namespace {

using std::chrono::milliseconds;

constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
constexpr const char* kBusName = "org.mpris.MediaPlayer2.quilvo";
constexpr milliseconds kFirstRetry{500};
constexpr milliseconds kLongestRetry{30000};

bool acquire(GDBusConnection* bus, const std::string& name) {
    // Never take the name from a running instance, and never queue for it.
    constexpr unsigned kDoNotQueue = 4, kPrimaryOwner = 1;
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
        g_variant_new("(su)", name.c_str(), kDoNotQueue), G_VARIANT_TYPE("(u)"),
        G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
    if (reply == nullptr) {
        return false;
    }
    unsigned result = 0;
    g_variant_get(reply, "(u)", &result);
    g_variant_unref(reply);
    return result == kPrimaryOwner;
}

}  // namespace

MprisBusConnection::MprisBusConnection(std::vector<ExportedInterface> interfaces)
    : interfaces_(std::move(interfaces)), backoff_(kFirstRetry) {
    connectToBus();
}

MprisBusConnection::~MprisBusConnection() {
    if (retry_ != 0) {
        g_source_remove(retry_);
    }
    dropConnection();
}

void MprisBusConnection::sendPropertiesChanged(const char* interface, GVariant* changed) {
    g_variant_ref_sink(changed);
    if (connection_ != nullptr) {
        g_dbus_connection_emit_signal(
            connection_, nullptr, kObjectPath, "org.freedesktop.DBus.Properties",
            "PropertiesChanged",
            g_variant_new("(s@a{sv}@as)", interface, changed, g_variant_new_strv(nullptr, 0)),
            nullptr);
    }
    g_variant_unref(changed);
}

void MprisBusConnection::onClosed(GDBusConnection*, int, GError*, void* self) {
    auto& bus = *static_cast<MprisBusConnection*>(self);
    bus.dropConnection();
    bus.backoff_ = kFirstRetry;
    bus.retryLater();
}

void MprisBusConnection::retryLater() {
    retry_ = g_timeout_add(
        static_cast<unsigned>(backoff_.count()),
        [](void* self) -> gboolean {
            static_cast<MprisBusConnection*>(self)->retry_ = 0;
            static_cast<MprisBusConnection*>(self)->connectToBus();
            return G_SOURCE_REMOVE;
        },
        this);
}

void MprisBusConnection::connectToBus() {
    // A closed connection cannot be revived, so every attempt opens a connection of its own.
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    connection_ =
        address == nullptr
            ? nullptr
            : g_dbus_connection_new_for_address_sync(
                  address,
                  static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                    G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                  nullptr, nullptr, nullptr);
    g_free(address);
    if (connection_ == nullptr) {
        retryLater();
        backoff_ = std::min(backoff_ * 2, kLongestRetry);
        return;
    }
    backoff_ = kFirstRetry;
    g_signal_connect(connection_, "closed", G_CALLBACK(&MprisBusConnection::onClosed), this);
    for (const ExportedInterface& exported : interfaces_) {
        registrations_.push_back(
            g_dbus_connection_register_object(connection_, kObjectPath, exported.info,
                                              exported.vtable, exported.object, nullptr, nullptr));
    }
    requestName();
}

void MprisBusConnection::requestName() {
    if (!acquire(connection_, kBusName)) {
        acquire(connection_, std::string(kBusName) + ".instance" + std::to_string(getpid()));
    }
}

void MprisBusConnection::dropConnection() {
    if (connection_ == nullptr) {
        return;
    }
    g_signal_handlers_disconnect_by_data(connection_, this);
    for (unsigned id : registrations_) {
        g_dbus_connection_unregister_object(connection_, id);
    }
    registrations_.clear();
    // Replies and signals still queued go out before the connection closes.
    g_dbus_connection_flush_sync(connection_, nullptr, nullptr);
    g_dbus_connection_close_sync(connection_, nullptr, nullptr);
    g_object_unref(connection_);
    connection_ = nullptr;
}

}  // namespace quilvo
