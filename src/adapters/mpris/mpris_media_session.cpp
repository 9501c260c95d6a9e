#include "adapters/mpris/mpris_media_session.hpp"

#include <gio/gio.h>

#include <utility>

namespace quilvo {

MprisMediaSession::MprisMediaSession(std::function<void()> quit, ListenerVolume& volume)
    : root_(std::move(quit)),
      player_(state_, commands_, volume),
      bus_({root_.exported(), player_.exported()}) {
    volume.observe([this, &volume] {
        GVariantBuilder changed;
        g_variant_builder_init(&changed, G_VARIANT_TYPE_VARDICT);
        g_variant_builder_add(&changed, "{sv}", "Volume", g_variant_new_double(volume.level()));
        bus_.sendPropertiesChanged("org.mpris.MediaPlayer2.Player",
                                   g_variant_builder_end(&changed));
    });
}

void MprisMediaSession::setNowPlaying(const std::optional<NowPlaying>& info) {
    if (GVariant* changed = state_.apply(info)) {
        bus_.sendPropertiesChanged("org.mpris.MediaPlayer2.Player", changed);
    }
}

void MprisMediaSession::registerRemoteCommands(RemoteCommands commands) {
    commands_ = std::move(commands);
}

}  // namespace quilvo
