#include "adapters/system/dbus_system_condition_monitor.hpp"

#include <gio/gio.h>

#include <utility>

namespace quilvo {

DbusSystemConditionMonitor::~DbusSystemConditionMonitor() {
    network_.reset();
    sleep_.reset();
    if (bus_ != nullptr) {
        g_object_unref(bus_);
    }
}

void DbusSystemConditionMonitor::install(std::function<void(SystemCondition)> changed) {
    changed_ = std::move(changed);
    if (!network_) {
        bus_ = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, nullptr);
        if (bus_ != nullptr) {
            // A system bus that goes away leaves the watches deaf, never the program ended.
            g_dbus_connection_set_exit_on_close(bus_, FALSE);
        }
        network_ = std::make_unique<NetworkWatch>(bus_, [this] { report(); });
        sleep_ = std::make_unique<LogindSleepWatch>(bus_, [this] { report(); });
        sleep_->holdDelay(delayHeld_);
    }
    report();
}

void DbusSystemConditionMonitor::holdSleepDelay(bool held) {
    delayHeld_ = held;
    if (sleep_) {
        sleep_->holdDelay(held);
    }
}

void DbusSystemConditionMonitor::report() {
    // Where nothing can tell, the machine counts as online.
    const SystemCondition now{network_->online().value_or(true), sleep_->asleep()};
    if (now == reported_ || !changed_) {
        return;
    }
    reported_ = now;
    changed_(now);
}

}  // namespace quilvo
