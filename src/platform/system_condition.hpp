#pragma once

#include <functional>

namespace quilvo {

// Whether a sound server answers; unknown until its watch has first tried to reach one.
enum class SoundServer { answers, absent, unknown };

// What the machine is doing that the player cannot see in its streams.
struct SystemCondition {
    // NetworkManager's word for a network it manages. Only a hint: the player believes it once
    // a connection fails too.
    bool online = true;
    bool asleep = false;
    SoundServer soundServer = SoundServer::answers;

    friend bool operator==(const SystemCondition&, const SystemCondition&) = default;
};

// Watches the network, the system's sleep and the sound server, and holds off sleep for the
// player.
class SystemConditionMonitor {
  public:
    virtual ~SystemConditionMonitor() = default;
    // `changed` runs on the main thread with the current condition once after install (when it
    // is known) and then at each change. Without a monitor the machine counts as online and
    // awake, with a sound server that answers.
    virtual void install(std::function<void(SystemCondition)> changed) = 0;
    // While held, the system waits for the player (briefly) before it sleeps. Holding again or
    // releasing again changes nothing.
    virtual void holdSleepDelay(bool held) = 0;
};

}  // namespace quilvo
