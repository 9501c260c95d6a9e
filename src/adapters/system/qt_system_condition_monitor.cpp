#include "adapters/system/qt_system_condition_monitor.hpp"

#include <utility>

namespace quilvo {

QtSystemConditionMonitor::QtSystemConditionMonitor() = default;

QtSystemConditionMonitor::~QtSystemConditionMonitor() = default;

void QtSystemConditionMonitor::install(std::function<void(SystemCondition)> changed) {
    changed_ = std::move(changed);
    if (!network_) {
        network_ = std::make_unique<NetworkWatch>([this] { report(); });
        sleep_ = std::make_unique<LogindSleepWatch>([this] { report(); });
        sleep_->holdDelay(delayHeld_);
    }
    report();
}

void QtSystemConditionMonitor::holdSleepDelay(bool held) {
    delayHeld_ = held;
    if (sleep_) {
        sleep_->holdDelay(held);
    }
}

void QtSystemConditionMonitor::report() {
    // Where nothing can tell, the machine counts as online.
    const SystemCondition now{network_->online().value_or(true), sleep_->asleep()};
    if (now == reported_ || !changed_) {
        return;
    }
    reported_ = now;
    changed_(now);
}

}  // namespace quilvo
