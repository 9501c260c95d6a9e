#pragma once

#include <functional>
#include <optional>

#include "adapters/mpris/mpris_bus_connection.hpp"
#include "adapters/mpris/mpris_player_interface.hpp"
#include "adapters/mpris/mpris_player_state.hpp"
#include "adapters/mpris/mpris_root_interface.hpp"
#include "platform/listener_volume.hpp"
#include "platform/media_session.hpp"

namespace quilvo {

// The media session as an MPRIS2 player on the D-Bus session bus. Create it on the main
// thread; bus calls arrive through GLib's default main context.
class MprisMediaSession final : public MediaSession {
  public:
    // `quit` runs when a client asks the player to quit (MPRIS Quit). `volume` is what MPRIS
    // Volume reads and writes; it must outlive the session.
    MprisMediaSession(std::function<void()> quit, ListenerVolume& volume);

    void setNowPlaying(const std::optional<NowPlaying>& info) override;
    void registerRemoteCommands(RemoteCommands commands) override;

  private:
    MprisPlayerState state_;
    RemoteCommands commands_;
    MprisRootInterface root_;
    MprisPlayerInterface player_;
    // Last, so that it leaves the bus before the interfaces go.
    MprisBusConnection bus_;
};

}  // namespace quilvo
