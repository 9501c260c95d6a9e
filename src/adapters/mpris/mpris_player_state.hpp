#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/media_session.hpp"

typedef struct _GVariant GVariant;

namespace quilvo {

// What the MPRIS Player interface reports for the current Now Playing information.
class MprisPlayerState {
  public:
    // Takes new Now Playing information (absent: stopped) and returns the Player properties
    // whose values changed, as a new a{sv} by D-Bus name; null when none did.
    GVariant* apply(const std::optional<NowPlaying>& info);

    const std::string& playbackStatus() const { return playbackStatus_; }
    // A new a{sv}.
    GVariant* metadata() const;

  private:
    struct Track {
        std::string title;
        std::string artist;
        std::uint64_t number = 0;
        bool operator==(const Track&) const = default;
    };

    std::string playbackStatus_ = "Stopped";
    std::optional<Track> track_;
    std::uint64_t lastTrackNumber_ = 0;
};

}  // namespace quilvo
