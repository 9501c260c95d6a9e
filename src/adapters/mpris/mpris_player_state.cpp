#include "adapters/mpris/mpris_player_state.hpp"

#include <glib.h>

namespace quilvo {
namespace {

// D-Bus strings must be valid UTF-8; a stream's title need not be.
std::string orQuilvo(const std::string& text) {
    if (text.empty()) {
        return "Quilvo";
    }
    gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    std::string result(valid);
    g_free(valid);
    return result;
}

}  // namespace

GVariant* MprisPlayerState::apply(const std::optional<NowPlaying>& info) {
    const std::string status = !info ? "Stopped" : info->playbackRate > 0.0 ? "Playing" : "Paused";
    std::optional<Track> track;
    if (info) {
        track = Track{orQuilvo(info->title), orQuilvo(info->artist), 0};
        // Clients treat a new track id as a new song, so it changes only when the song does.
        const bool sameTrack =
            track_ && track_->title == track->title && track_->artist == track->artist;
        track->number = sameTrack ? track_->number : ++lastTrackNumber_;
    }

    GVariantBuilder changed;
    g_variant_builder_init(&changed, G_VARIANT_TYPE_VARDICT);
    bool any = false;
    if (status != playbackStatus_) {
        playbackStatus_ = status;
        g_variant_builder_add(&changed, "{sv}", "PlaybackStatus",
                              g_variant_new_string(status.c_str()));
        any = true;
    }
    if (track != track_) {
        track_ = track;
        g_variant_builder_add(&changed, "{sv}", "Metadata", metadata());
        any = true;
    }
    if (!any) {
        g_variant_builder_clear(&changed);
        return nullptr;
    }
    return g_variant_builder_end(&changed);
}

GVariant* MprisPlayerState::metadata() const {
    GVariantBuilder metadata;
    g_variant_builder_init(&metadata, G_VARIANT_TYPE_VARDICT);
    if (track_) {
        const std::string id = "/app/quilvo/track/" + std::to_string(track_->number);
        const char* artist[] = {track_->artist.c_str(), nullptr};
        g_variant_builder_add(&metadata, "{sv}", "xesam:title",
                              g_variant_new_string(track_->title.c_str()));
        g_variant_builder_add(&metadata, "{sv}", "xesam:artist", g_variant_new_strv(artist, -1));
        g_variant_builder_add(&metadata, "{sv}", "mpris:trackid",
                              g_variant_new_object_path(id.c_str()));
    }
    return g_variant_builder_end(&metadata);
}

}  // namespace quilvo
