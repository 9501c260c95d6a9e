#pragma once

#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "platform/media_session.hpp"
#include "platform/output_device_monitor.hpp"
#include "platform/system_condition.hpp"

namespace quilvo::testing {

// The default output device changes when the test says so.
struct FakeOutputDeviceMonitor : OutputDeviceMonitor {
    void install(std::function<void()> changed) override { change = std::move(changed); }
    std::function<void()> change;
};

// The network and sleep state change when the test says so.
struct FakeSystemCondition : SystemConditionMonitor {
    void install(std::function<void(SystemCondition)> changed) override {
        change = std::move(changed);
    }
    void holdSleepDelay(bool) override {}

    std::function<void(SystemCondition)> change;
};

// Keeps every Now Playing update and the registered remote commands.
struct RecordingMediaSession : MediaSession {
    void setNowPlaying(const std::optional<NowPlaying>& info) override { history.push_back(info); }
    void registerRemoteCommands(RemoteCommands registered) override {
        commands = std::move(registered);
    }
    const std::optional<NowPlaying>& current() const { return history.back(); }

    std::vector<std::optional<NowPlaying>> history;
    RemoteCommands commands;
};

}  // namespace quilvo::testing
