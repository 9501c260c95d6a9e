#pragma once

#include <functional>

namespace quilvo {

// What the machine is doing that the player cannot see in its streams.
struct SystemCondition {
    bool online = true;
    bool asleep = false;

    friend bool operator==(const SystemCondition&, const SystemCondition&) = default;
};

// Watches the network and the system's sleep, and holds off sleep for the player.
class SystemConditionMonitor {
  public:
    virtual ~SystemConditionMonitor() = default;
    // `changed` runs on the main thread with the current condition once after install (when it
    // is known) and then at each change. Without a monitor the machine counts as online and
    // awake.
    virtual void install(std::function<void(SystemCondition)> changed) = 0;
    // While held, the system waits for the player (briefly) before it sleeps. Holding again or
    // releasing again changes nothing.
    virtual void holdSleepDelay(bool held) = 0;
};

}  // namespace quilvo
