#pragma once

#include <optional>
#include <vector>

#include "platform/media_session.hpp"

namespace quilvo::testing {

// Keeps every Now Playing update and the registered remote commands.
class RecordingMediaSession : public MediaSession {
  public:
    void setNowPlaying(const std::optional<NowPlaying>& info) override { history.push_back(info); }
    void registerRemoteCommands(RemoteCommands registered) override {
        commands = std::move(registered);
    }

    const std::optional<NowPlaying>& current() const { return history.back(); }

    std::vector<std::optional<NowPlaying>> history;
    RemoteCommands commands;
};

}  // namespace quilvo::testing
