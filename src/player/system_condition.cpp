#include <string>

#include "player/player_model.hpp"
#include "player/status_texts.hpp"

namespace quilvo {

namespace {

constexpr double kSleepRamp = 0.15;
// How often a station is tried again while the network hint and a failed connection agree that
// the machine is offline: the hint may be wrong, and only a connection can tell.
constexpr double kOutageRetry = 10.0;

}  // namespace

void PlayerModel::installSystemConditionWatcher() {
    if (!services_.system) {
        return;
    }
    services_.system->install([weak = weak_from_this()](SystemCondition condition) {
        if (auto self = weak.lock()) {
            self->onSystemCondition(condition);
        }
    });
}

bool PlayerModel::networkOffline() const {
    return !condition_.online && !hintOverruled_ && outageConfirmed_;
}

bool PlayerModel::waitingForSystem() const {
    return condition_.asleep || condition_.soundServer != SoundServer::answers || networkOffline();
}

bool PlayerModel::outageExplainsFailure() {
    if (!waitingForSystem()) {
        if (condition_.online || hintOverruled_) {
            return false;
        }
        outageConfirmed_ = true;
        waitingSince_ = now();
    }
    heldForSystem_ = true;
    showWaitingForSystem();
    return true;
}

void PlayerModel::onSystemCondition(SystemCondition condition) {
    const bool wasWaiting = waitingForSystem();
    const bool fallingAsleep = condition.asleep && !condition_.asleep;
    if (condition.online != condition_.online) {
        hintOverruled_ = false;
        outageConfirmed_ = false;
    }
    condition_ = condition;
    if (!waitingForSystem()) {
        if (wasWaiting) {
            reconnectAfterOutage();
        }
        return;
    }
    if (!wasWaiting) {
        waitingSince_ = now();
    }
    if (fallingAsleep && player_) {
        // Before the machine sleeps: out with a short fade, so it wakes up silent.
        takePlayerOut(kSleepRamp);
        showWaitingForSystem();
    } else if (player_ && player_->timeControlStatus() != TimeControlStatus::playing) {
        showWaitingForSystem();
    }
}

void PlayerModel::showWaitingForSystem() {
    // Silence while the machine is away is not listening time.
    endListen();
    std::string_view text = statusText_;
    if (condition_.soundServer == SoundServer::absent) {
        text = kNoSoundServerText;
    } else if (condition_.asleep || networkOffline()) {
        text = kOfflineText;
    } else if (isWaitingText(text)) {
        // Only an unknown sound server is left, which is no news for the listener.
        text = "";
    }
    if (phase_ == Phase::connecting && statusText_ == text) {
        return;
    }
    setPhase(Phase::connecting);
    setStatusText(std::string(text));
    updateNowPlaying(false, false);
}

void PlayerModel::retryDuringOutage() {
    // Trying is pointless without a sound server or awake machine; the network may be there.
    if (condition_.asleep || condition_.soundServer != SoundServer::answers || !requestStart_ ||
        secondsBetween(*requestStart_, now()).count() < kOutageRetry) {
        return;
    }
    playStation(*currentStation_, Start::reconnect);
}

void PlayerModel::reconnectAfterOutage() {
    // The outage used none of the attempt round's time.
    if (waitingSince_ && roundDeadline_) {
        *roundDeadline_ = *roundDeadline_ + secondsBetween(*waitingSince_, now());
    }
    waitingSince_.reset();
    if (isWaitingText(statusText_)) {
        setStatusText("");
    }
    // A player that nothing held up (the sound server's first answer came while it was just
    // starting) goes on connecting.
    if (userPaused_ || !currentStation_ || phase_ != Phase::connecting ||
        (player_ &&
         (!heldForSystem_ || player_->timeControlStatus() == TimeControlStatus::playing))) {
        return;
    }
    // A stall that began in the outage says nothing about the station: start its rules afresh.
    stallDeadline_.reset();
    reconnectTried_ = 0;
    playStation(*currentStation_, Start::reconnect);
}

void PlayerModel::holdSleepDelay(bool held) {
    if (services_.system) {
        services_.system->holdSleepDelay(held);
    }
}

}  // namespace quilvo
