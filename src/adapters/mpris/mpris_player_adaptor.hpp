#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QVariantMap>

#include "adapters/mpris/mpris_player_state.hpp"
#include "platform/media_session.hpp"

namespace quilvo {

// org.mpris.MediaPlayer2.Player: a live stream, so no seeking, no previous track and a fixed
// rate; the listener's system volume is not ours to change, so Volume is read-only.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(bool CanGoNext READ canGoNext)
    Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
    Q_PROPERTY(bool CanPlay READ canPlay)
    Q_PROPERTY(bool CanPause READ canPause)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ canControl)

  public:
    MprisPlayerAdaptor(QObject* exported, const MprisPlayerState& state,
                       const RemoteCommands& commands);

    QString playbackStatus() const { return state_.playbackStatus(); }
    QVariantMap metadata() const { return state_.metadata(); }
    double rate() const { return 1.0; }
    double volume() const { return 1.0; }
    qlonglong position() const { return 0; }
    bool canGoNext() const { return true; }
    bool canGoPrevious() const { return false; }
    bool canPlay() const { return true; }
    bool canPause() const { return true; }
    bool canSeek() const { return false; }
    bool canControl() const { return true; }

  public Q_SLOTS:
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong offset);
    void SetPosition(const QDBusObjectPath& trackId, qlonglong position);
    void OpenUri(const QString& uri);

  Q_SIGNALS:
    void Seeked(qlonglong position);

  private:
    const MprisPlayerState& state_;
    const RemoteCommands& commands_;
};

}  // namespace quilvo
