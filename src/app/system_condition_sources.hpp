#pragma once

#include <functional>

#include "adapters/pulse/pulse_output_device_monitor.hpp"
#include "adapters/system/dbus_system_condition_monitor.hpp"
#include "platform/system_condition.hpp"

namespace quilvo {

// The system's condition from the watches that know each part: the network and sleep on the
// system bus, the sound server from the output-device watch. Both must outlive it.
class SystemConditionSources final : public SystemConditionMonitor {
  public:
    SystemConditionSources(DbusSystemConditionMonitor& bus, PulseOutputDeviceMonitor& sound)
        : bus_(bus), sound_(sound) {}

    void install(std::function<void(SystemCondition)> changed) override;
    void holdSleepDelay(bool held) override { bus_.holdSleepDelay(held); }

  private:
    void report();

    DbusSystemConditionMonitor& bus_;
    PulseOutputDeviceMonitor& sound_;
    std::function<void(SystemCondition)> changed_;
    SystemCondition known_;
    SystemCondition reported_;
};

}  // namespace quilvo
