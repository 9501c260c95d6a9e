#pragma once

#include <functional>
#include <memory>

#include "adapters/system/logind_sleep_watch.hpp"
#include "adapters/system/network_watch.hpp"
#include "platform/system_condition.hpp"

namespace quilvo {

// The system's condition from Qt's network information and logind. Create it on the main
// thread after the QCoreApplication; it touches the system bus only from install on.
class QtSystemConditionMonitor final : public SystemConditionMonitor {
  public:
    QtSystemConditionMonitor();
    ~QtSystemConditionMonitor() override;

    void install(std::function<void(SystemCondition)> changed) override;
    void holdSleepDelay(bool held) override;

  private:
    void report();

    std::function<void(SystemCondition)> changed_;
    SystemCondition reported_;
    bool delayHeld_ = false;
    std::unique_ptr<NetworkWatch> network_;
    std::unique_ptr<LogindSleepWatch> sleep_;
};

}  // namespace quilvo
