#include "adapters/mpris/mpris_player_state.hpp"

#include <QDBusObjectPath>
#include <QStringList>

namespace quilvo {
namespace {

const QString kTitle = QStringLiteral("xesam:title");
const QString kArtist = QStringLiteral("xesam:artist");
const QString kTrackId = QStringLiteral("mpris:trackid");

QString orQuilvo(const std::string& text) {
    return text.empty() ? QStringLiteral("Quilvo") : QString::fromStdString(text);
}

}  // namespace

QVariantMap MprisPlayerState::apply(const std::optional<NowPlaying>& info) {
    const QString status = !info                      ? QStringLiteral("Stopped")
                           : info->playbackRate > 0.0 ? QStringLiteral("Playing")
                                                      : QStringLiteral("Paused");
    const QVariantMap metadata = info ? metadataFor(*info) : QVariantMap{};

    QVariantMap changed;
    if (status != playbackStatus_) {
        playbackStatus_ = status;
        changed.insert(QStringLiteral("PlaybackStatus"), status);
    }
    if (metadata != metadata_) {
        metadata_ = metadata;
        changed.insert(QStringLiteral("Metadata"), metadata);
    }
    return changed;
}

QVariantMap MprisPlayerState::metadataFor(const NowPlaying& info) {
    const QString title = orQuilvo(info.title);
    const QStringList artist{orQuilvo(info.artist)};
    // Clients treat a new track id as a new song, so it changes only when the song does.
    const bool sameTrack = !metadata_.isEmpty() && metadata_.value(kTitle).toString() == title &&
                           metadata_.value(kArtist).toStringList() == artist;
    if (!sameTrack) {
        ++lastTrackNumber_;
    }
    return {
        {kTitle, title},
        {kArtist, artist},
        {kTrackId, QVariant::fromValue(QDBusObjectPath(
                       QStringLiteral("/app/quilvo/track/%1").arg(lastTrackNumber_)))},
    };
}

}  // namespace quilvo
