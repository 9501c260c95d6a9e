#pragma once

#include <QString>
#include <QVariantMap>
#include <optional>

#include "platform/media_session.hpp"

namespace quilvo {

// What the MPRIS Player interface reports for the current Now Playing information.
class MprisPlayerState {
  public:
    // Takes new Now Playing information (absent: stopped) and returns the Player properties
    // whose values changed, by D-Bus name.
    QVariantMap apply(const std::optional<NowPlaying>& info);

    const QString& playbackStatus() const { return playbackStatus_; }
    const QVariantMap& metadata() const { return metadata_; }

  private:
    QVariantMap metadataFor(const NowPlaying& info);

    QString playbackStatus_ = QStringLiteral("Stopped");
    QVariantMap metadata_;
    quint64 lastTrackNumber_ = 0;
};

}  // namespace quilvo
