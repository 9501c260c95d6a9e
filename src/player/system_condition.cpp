#include <string>

#include "player/player_model.hpp"
#include "player/status_texts.hpp"

namespace quilvo {

namespace {

constexpr double kSleepRamp = 0.15;

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

void PlayerModel::onSystemCondition(SystemCondition condition) {
    const bool wasWaiting = waitingForSystem();
    const bool fallingAsleep = condition.asleep && !condition_.asleep;
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
        showWaitingForNetwork();
    } else if (player_ && player_->timeControlStatus() != TimeControlStatus::playing) {
        showWaitingForNetwork();
    }
}

void PlayerModel::showWaitingForNetwork() {
    // Silence while the network is away is not listening time.
    endListen();
    if (phase_ == Phase::connecting && statusText_ == kOfflineText) {
        return;
    }
    setPhase(Phase::connecting);
    setStatusText(std::string(kOfflineText));
    updateNowPlaying(false, false);
}

void PlayerModel::reconnectAfterOutage() {
    // The outage used none of the attempt round's time.
    if (waitingSince_ && roundDeadline_) {
        *roundDeadline_ = *roundDeadline_ + secondsBetween(*waitingSince_, now());
    }
    waitingSince_.reset();
    if (statusText_ == kOfflineText) {
        setStatusText("");
    }
    if (userPaused_ || !currentStation_ || phase_ != Phase::connecting ||
        (player_ && player_->timeControlStatus() == TimeControlStatus::playing)) {
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
