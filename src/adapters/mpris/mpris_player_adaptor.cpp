#include "adapters/mpris/mpris_player_adaptor.hpp"

#include <functional>

namespace quilvo {
namespace {

// A command may arrive before the model has registered its handlers.
void run(const std::function<void()>& handler) {
    if (handler) {
        handler();
    }
}

}  // namespace

MprisPlayerAdaptor::MprisPlayerAdaptor(QObject* exported, const MprisPlayerState& state,
                                       const RemoteCommands& commands)
    : QDBusAbstractAdaptor(exported), state_(state), commands_(commands) {}

void MprisPlayerAdaptor::Next() {
    run(commands_.nextTrack);
}

void MprisPlayerAdaptor::Previous() {}

void MprisPlayerAdaptor::Pause() {
    run(commands_.pause);
}

void MprisPlayerAdaptor::PlayPause() {
    run(commands_.togglePlayPause);
}

// A radio cannot rewind to the start, so Stop pauses.
void MprisPlayerAdaptor::Stop() {
    run(commands_.pause);
}

void MprisPlayerAdaptor::Play() {
    run(commands_.play);
}

void MprisPlayerAdaptor::Seek(qlonglong) {}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath&, qlonglong) {}

void MprisPlayerAdaptor::OpenUri(const QString&) {}

}  // namespace quilvo
