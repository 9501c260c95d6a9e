#pragma once

#include <functional>
#include <optional>

// GLib's types by name only: gio.h does not mix with Qt's keywords.
typedef struct _GDBusConnection GDBusConnection;

namespace quilvo {

// Whether the machine is online, as NetworkManager on the system bus tells for the networks it
// manages. Where it manages none (a link set up by ifupdown or systemd-networkd), its state says
// nothing and the machine counts as online. Create it on the main thread; without a bus (null)
// it tells nothing.
class NetworkWatch {
  public:
    // `changed` runs on the main thread after each change of NetworkManager's state or devices.
    NetworkWatch(GDBusConnection* bus, std::function<void()> changed);
    ~NetworkWatch();
    NetworkWatch(const NetworkWatch&) = delete;
    NetworkWatch& operator=(const NetworkWatch&) = delete;

    // Absent when NetworkManager does not run.
    std::optional<bool> online() const;

  private:
    void countManagedDevices();

    GDBusConnection* bus_;
    std::function<void()> changed_;
    std::optional<unsigned> state_;
    int managedDevices_ = 0;
    unsigned subscription_ = 0;
    unsigned devicesSubscription_ = 0;
};

}  // namespace quilvo
