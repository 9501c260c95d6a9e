#include "adapters/mpris/mpris_media_session.hpp"

#include <utility>

#include "adapters/mpris/mpris_player_adaptor.hpp"
#include "adapters/mpris/mpris_root_adaptor.hpp"

namespace quilvo {

MprisMediaSession::MprisMediaSession(std::function<void()> quit) {
    // The adaptors belong to the exported object and must exist before the bus sees it.
    new MprisRootAdaptor(&exported_, std::move(quit));
    new MprisPlayerAdaptor(&exported_, state_, commands_);
    bus_ = std::make_unique<MprisBusConnection>(&exported_);
}

MprisMediaSession::~MprisMediaSession() = default;

void MprisMediaSession::setNowPlaying(const std::optional<NowPlaying>& info) {
    const QVariantMap changed = state_.apply(info);
    if (!changed.isEmpty()) {
        bus_->sendPropertiesChanged(QStringLiteral("org.mpris.MediaPlayer2.Player"), changed);
    }
}

void MprisMediaSession::registerRemoteCommands(RemoteCommands commands) {
    commands_ = std::move(commands);
}

}  // namespace quilvo
