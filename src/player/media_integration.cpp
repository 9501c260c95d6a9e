#include <string>

#include "player/player_model.hpp"
#include "player/status_texts.hpp"

namespace quilvo {

namespace {

constexpr std::string_view kProductName = "Quilvo";
constexpr double kDeviceChangeRamp = 0.15;

}  // namespace

void PlayerModel::updateNowPlaying(bool paused, bool clear) {
    if (clear) {
        services_.media.setNowPlaying(std::nullopt);
        return;
    }
    NowPlaying info;
    // Media widgets show only Now Playing: the waiting text goes there too.
    info.title =
        isWaitingText(statusText_) ? statusText_ : songTitle_.value_or(std::string(kProductName));
    if (songArtist_) {
        info.artist = *songArtist_;
    } else if (currentMood_) {
        info.artist = currentMood_->displayName();
    } else {
        info.artist = kProductName;
    }
    info.playbackRate = paused ? 0.0 : 1.0;
    services_.media.setNowPlaying(info);
}

void PlayerModel::setupRemoteCommands() {
    auto weak = weak_from_this();
    RemoteCommands commands;
    commands.togglePlayPause = [weak] {
        if (auto self = weak.lock()) {
            self->toggle();
        }
    };
    commands.play = [weak] {
        if (auto self = weak.lock(); self && self->phase_ != Phase::playing) {
            self->toggle();
        }
    };
    commands.pause = [weak] {
        if (auto self = weak.lock(); self && self->phase_ == Phase::playing) {
            self->toggle();
        }
    };
    commands.nextTrack = [weak] {
        if (auto self = weak.lock()) {
            self->shuffleStation();
        }
    };
    services_.media.registerRemoteCommands(std::move(commands));
}

void PlayerModel::installOutputDeviceWatcher() {
    deviceListenerBlock_ = onMain([](PlayerModel& self) { self.pauseForOutputDeviceChange(); });
    services_.outputDevices.install(deviceListenerBlock_);
}

void PlayerModel::pauseForOutputDeviceChange() {
    if (phase_ != Phase::playing || userPaused_) {
        return;
    }
    userPaused_ = true;
    // The listener hears nothing until they resume: that is not listening time.
    endListen();
    // Silent at once: the sound server may already play the stream on the new device.
    if (player_) {
        player_->pause();
    }
    takePlayerOut(kDeviceChangeRamp);
    setPhase(Phase::paused);
    setStatusText(std::string(kOutputChangedText));
    updateNowPlaying(true, false);
}

}  // namespace quilvo
