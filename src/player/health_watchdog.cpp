#include <string>

#include "player/player_model.hpp"
#include "player/status_texts.hpp"
#include "player/step_timer.hpp"

namespace quilvo {

namespace {

constexpr Seconds kBeatInterval{1.0};
constexpr double kConnectTimeout = 8.0;
constexpr Seconds kStallWindow{10.0};
constexpr double kFirstReconnectAfter = 1.0;
constexpr double kSecondReconnectAfter = 3.0;
constexpr std::size_t kMaxAutomaticStations = 3;
constexpr double kGiveUpRamp = 0.15;

}  // namespace

void PlayerModel::ensureBeat() {
    if (beat_) {
        return;
    }
    beat_ = scheduleSteps(services_.loop, kBeatInterval, [weak = weak_from_this()](Timer&) {
        if (auto self = weak.lock()) {
            self->checkHealth();
        }
    });
}

void PlayerModel::checkHealth() {
    if (userPaused_ || !player_ || !currentStation_) {
        return;
    }
    if (player_->timeControlStatus() == TimeControlStatus::playing) {
        stallDeadline_.reset();
        return;
    }
    // Nothing runs out while the machine is offline or asleep or has no sound server.
    if (waitingForSystem()) {
        heldForSystem_ = true;
        showWaitingForSystem();
        retryDuringOutage();
        return;
    }
    const Instant t = now();
    if (!everPlayedThisRequest_) {
        const bool roundOver = roundDeadline_ && t >= *roundDeadline_;
        const bool timedOut =
            requestStart_ && secondsBetween(*requestStart_, t).count() >= kConnectTimeout;
        if (!(roundOver || timedOut) || outageExplainsFailure()) {
            return;
        }
        if (roundOver) {
            giveUp();
        } else {
            markFailed(currentStation_->id);
            attemptNext();
        }
        return;
    }
    if (!stallDeadline_) {
        stallDeadline_ = t + kStallWindow;
        reconnectTried_ = 0;
    }
    const double stalledFor = kStallWindow.count() - secondsBetween(t, *stallDeadline_).count();
    if ((reconnectTried_ == 1 && stalledFor >= kSecondReconnectAfter) ||
        (reconnectTried_ == 0 && stalledFor >= kFirstReconnectAfter)) {
        playStation(*currentStation_, Start::reconnect);
        return;
    }
    if (t >= *stallDeadline_ && !outageExplainsFailure()) {
        markFailed(currentStation_->id);
        stallDeadline_.reset();
        openRound();
        attemptNext();
    }
}

void PlayerModel::attemptNext() {
    if (!currentMood_) {
        return;
    }
    setStatusText("");
    // A player that had already played (a reconnect that failed) closed its round: open one.
    if (!roundDeadline_) {
        openRound();
    }
    // The round spans the automatic attempts of one request: at most three more stations.
    if (now() >= *roundDeadline_ || roundStations_.size() >= kMaxAutomaticStations) {
        giveUp();
        return;
    }
    auto station = drawNext(*currentMood_, std::nullopt);
    if (!station) {
        giveUp();
        return;
    }
    roundStations_.insert(station->id);
    playStation(*station, Start::automatic);
}

void PlayerModel::giveUp() {
    // Silence is not listening time, and a late first audio of the last attempt must not play.
    endListen();
    takePlayerOut(kGiveUpRamp);
    setPhase(Phase::idle);
    setCurrentStation(std::nullopt);
    everPlayedThisRequest_ = false;
    setStatusText(std::string(kGiveUpText));
    updateNowPlaying(false, true);
}

}  // namespace quilvo
