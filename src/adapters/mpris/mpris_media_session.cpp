#include "adapters/mpris/mpris_media_session.hpp"

#include <utility>

namespace quilvo {

MprisMediaSession::MprisMediaSession(std::function<void()> quit)
    : root_(std::move(quit)),
      player_(state_, commands_),
      bus_({root_.exported(), player_.exported()}) {}

void MprisMediaSession::setNowPlaying(const std::optional<NowPlaying>& info) {
    if (GVariant* changed = state_.apply(info)) {
        bus_.sendPropertiesChanged("org.mpris.MediaPlayer2.Player", changed);
    }
}

void MprisMediaSession::registerRemoteCommands(RemoteCommands commands) {
    commands_ = std::move(commands);
}

}  // namespace quilvo
