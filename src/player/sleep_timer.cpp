#include <algorithm>
#include <cmath>
#include <string>

#include "player/player_model.hpp"
#include "player/status_texts.hpp"
#include "player/step_timer.hpp"

namespace quilvo {

namespace {

constexpr Seconds kSleepTickInterval{0.25};
constexpr double kSleepFadeWindow = 20.0;
constexpr double kMinuteTextThreshold = 60.0;
// Keeps the deadline arithmetic defined for absurd requests (about a year).
constexpr std::int64_t kMaxSleepMinutes = 60 * 24 * 366;

}  // namespace

void PlayerModel::setSleep(std::int64_t minutes) {
    if (minutes >= 1) {
        sleepMinutes_ = std::min(minutes, kMaxSleepMinutes);
        const std::int64_t seconds = sleepMinutes_ * 60;
        sleepDeadline_ = now() + Seconds(static_cast<double>(seconds));
    } else {
        sleepDeadline_.reset();
        lastSleepText_.reset();
        setSleepRemainText(std::nullopt);
    }
    // Arming or cancelling ends any sleep fade already under way.
    applySleepVolume();
    ensureSleepTick();
    refreshSleepText(true);
}

void PlayerModel::applySleepVolume() {
    // A connecting player stays silent and a running fade-in ends at this level by itself.
    if (player_ && phase_ == Phase::playing && !fadeInTimer_) {
        player_->setVolume(baseGain_ * sleepFactor());
    }
}

void PlayerModel::ensureSleepTick() {
    if (sleepTick_) {
        return;
    }
    sleepTick_ =
        scheduleSteps(services_.loop, kSleepTickInterval, [weak = weak_from_this()](Timer&) {
            if (auto self = weak.lock()) {
                self->tickSleep();
            }
        });
}

float PlayerModel::sleepFactor() const {
    if (!sleepDeadline_) {
        return 1;
    }
    const double remaining = secondsBetween(now(), *sleepDeadline_).count();
    if (remaining >= kSleepFadeWindow) {
        return 1;
    }
    return static_cast<float>(std::max(remaining, 0.0) / kSleepFadeWindow);
}

void PlayerModel::tickSleep() {
    if (!sleepDeadline_) {
        sleepTick_->invalidate();
        sleepTick_.reset();
        setSleepRemainText(std::nullopt);
        return;
    }
    const double remaining = secondsBetween(now(), *sleepDeadline_).count();
    if (remaining <= 0) {
        expireSleep();
        return;
    }
    if (remaining <= kSleepFadeWindow && player_ && phase_ == Phase::playing) {
        player_->setVolume(static_cast<float>(remaining / kSleepFadeWindow) * baseGain_);
    }
    refreshSleepText(false);
}

void PlayerModel::expireSleep() {
    stopEverything();
    endListen();
    setCurrentMood(std::nullopt);
    setCurrentStation(std::nullopt);
    setPhase(Phase::idle);
    sleepDeadline_.reset();
    lastSleepText_.reset();
    setSleepRemainText(std::nullopt);
    sleepTick_->invalidate();
    sleepTick_.reset();
    setStatusText("");
    updateNowPlaying(false, true);
}

void PlayerModel::refreshSleepText(bool force) {
    if (!sleepDeadline_) {
        return;
    }
    const double remaining = secondsBetween(now(), *sleepDeadline_).count();
    std::string text;
    if (remaining < kMinuteTextThreshold) {
        text = kSleepUnderMinuteText;
    } else {
        const auto minutes = static_cast<std::int64_t>(std::ceil(remaining / 60.0));
        text = std::string(kSleepRemainPrefix) + std::to_string(minutes) +
               std::string(kSleepRemainSuffix);
    }
    if (!force && lastSleepText_ == text) {
        return;
    }
    lastSleepText_ = text;
    setSleepRemainText(std::move(text));
}

void PlayerModel::stopEverything() {
    if (fadeInTimer_) {
        fadeInTimer_->invalidate();
        fadeInTimer_.reset();
    }
    teardownObservers();
    if (player_) {
        player_->pause();
        player_.reset();
    }
    holdSleepDelay(false);
}

}  // namespace quilvo
