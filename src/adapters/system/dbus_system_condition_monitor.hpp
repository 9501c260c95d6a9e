#pragma once

#include <functional>
#include <memory>

#include "adapters/system/logind_sleep_watch.hpp"
#include "adapters/system/network_watch.hpp"
#include "platform/system_condition.hpp"

// GLib's types by name only: gio.h does not mix with Qt's keywords.
typedef struct _GDBusConnection GDBusConnection;

namespace quilvo {

// The system's condition from NetworkManager and logind on the system bus. Create it on the
// main thread; it touches the system bus only from install on.
class DbusSystemConditionMonitor final : public SystemConditionMonitor {
  public:
    DbusSystemConditionMonitor() = default;
    ~DbusSystemConditionMonitor() override;
    DbusSystemConditionMonitor(const DbusSystemConditionMonitor&) = delete;
    DbusSystemConditionMonitor& operator=(const DbusSystemConditionMonitor&) = delete;

    void install(std::function<void(SystemCondition)> changed) override;
    void holdSleepDelay(bool held) override;

  private:
    void report();

    std::function<void(SystemCondition)> changed_;
    SystemCondition reported_;
    bool delayHeld_ = false;
    GDBusConnection* bus_ = nullptr;
    std::unique_ptr<NetworkWatch> network_;
    std::unique_ptr<LogindSleepWatch> sleep_;
};

}  // namespace quilvo
