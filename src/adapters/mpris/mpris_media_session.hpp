#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <optional>

#include "adapters/mpris/mpris_bus_connection.hpp"
#include "adapters/mpris/mpris_player_state.hpp"
#include "platform/media_session.hpp"

namespace quilvo {

// The media session as an MPRIS2 player on the D-Bus session bus. Create it on the main
// thread after the QCoreApplication; bus calls arrive through the Qt event loop.
class MprisMediaSession final : public MediaSession {
  public:
    // `quit` runs when a client asks the player to quit (MPRIS Quit).
    explicit MprisMediaSession(std::function<void()> quit);
    ~MprisMediaSession() override;

    void setNowPlaying(const std::optional<NowPlaying>& info) override;
    void registerRemoteCommands(RemoteCommands commands) override;

  private:
    MprisPlayerState state_;
    RemoteCommands commands_;
    QObject exported_;
    std::unique_ptr<MprisBusConnection> bus_;
};

}  // namespace quilvo
