#pragma once

#include <functional>
#include <optional>
#include <string>

namespace quilvo {

struct NowPlaying {
    std::string title;
    std::string artist;
    double playbackRate = 1.0;

    friend bool operator==(const NowPlaying&, const NowPlaying&) = default;
};

// Handlers run on the main thread. Previous-track is always disabled.
struct RemoteCommands {
    std::function<void()> togglePlayPause;
    std::function<void()> play;
    std::function<void()> pause;
    std::function<void()> nextTrack;
};

// The desktop's media controls.
class MediaSession {
  public:
    virtual ~MediaSession() = default;
    // Replaces the whole Now Playing information; absent clears it.
    virtual void setNowPlaying(const std::optional<NowPlaying>& info) = 0;
    virtual void registerRemoteCommands(RemoteCommands commands) = 0;
};

}  // namespace quilvo
