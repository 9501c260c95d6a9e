#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

// GLib's types by name only: gio.h does not mix with Qt's keywords.
typedef struct _GDBusConnection GDBusConnection;
typedef struct _GDBusInterfaceInfo GDBusInterfaceInfo;
typedef struct _GDBusInterfaceVTable GDBusInterfaceVTable;
typedef struct _GVariant GVariant;
typedef struct _GError GError;

namespace quilvo {

// One D-Bus interface of the exported object: its description and the calls that serve it.
struct ExportedInterface {
    GDBusInterfaceInfo* info;
    const GDBusInterfaceVTable* vtable;
    void* object;
};

// Keeps one object on the session bus under the MPRIS name, and puts it back when the bus
// returns after going away. Without a bus it stays off it and retries now and then.
class MprisBusConnection {
  public:
    explicit MprisBusConnection(std::vector<ExportedInterface> interfaces);
    ~MprisBusConnection();
    MprisBusConnection(const MprisBusConnection&) = delete;
    MprisBusConnection& operator=(const MprisBusConnection&) = delete;

    // Sends org.freedesktop.DBus.Properties.PropertiesChanged with `changed` (an a{sv}, which
    // this takes); dropped while off the bus.
    void sendPropertiesChanged(const char* interface, GVariant* changed);

  private:
    static void onClosed(GDBusConnection* connection, int vanished, GError* error, void* self);
    void connectToBus();
    void retryLater();
    void dropConnection();
    void requestName();

    std::vector<ExportedInterface> interfaces_;
    GDBusConnection* connection_ = nullptr;
    std::vector<unsigned> registrations_;
    unsigned retry_ = 0;
    std::chrono::milliseconds backoff_;
};

}  // namespace quilvo
