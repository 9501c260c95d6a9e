#include <algorithm>
#include <chrono>
#include <utility>

#include "player/player_model.hpp"
#include "player/song_title.hpp"
#include "player/status_texts.hpp"
#include "player/step_timer.hpp"

namespace quilvo {

namespace {

constexpr Seconds kFadeStep{1.0 / 30.0};
constexpr double kFadeInDuration = 0.3;
constexpr double kReplaceRamp = 0.2;
constexpr std::int64_t kMaxRequestMs = 3'600'000;

}  // namespace

void PlayerModel::playStation(Station station, Start start) {
    const std::int64_t g = ++gen_;
    if (fadeInTimer_) {
        fadeInTimer_->invalidate();
        fadeInTimer_.reset();
    }
    teardownObservers();
    if (player_) {
        rampOut(std::exchange(player_, nullptr), kReplaceRamp);
    }
    requestStart_ = now();
    switch (start) {
        case Start::request:
            openRound();
            everPlayedThisRequest_ = false;
            break;
        case Start::automatic:
            everPlayedThisRequest_ = false;
            break;
        case Start::reconnect:
            ++reconnectTried_;
            break;
    }
    setCurrentStation(station);
    setPhase(Phase::connecting);
    setSongText(std::nullopt);
    userPaused_ = false;

    std::shared_ptr<AudioPlayer> player = services_.players.create(station.urlString);
    // The fade-in's first step from the first sample: the model hears of the first audio only
    // after the sink has taken it, and audio before that would play unheard.
    player->setVolume(firstFadeInGain());
    player_ = player;
    heldForSystem_ = false;
    holdSleepDelay(true);
    // Observations may report on any thread: they carry the player weakly and only post.
    std::weak_ptr<AudioPlayer> weakPlayer = player;
    itemObserver_ = player->observeItemStatus(onMain([g, weakPlayer, station](PlayerModel& self) {
        self.onItemStatus(g, weakPlayer.lock(), station);
    }));
    metaObserver_ = player->observeTimedMetadata(onMain([g, weakPlayer](PlayerModel& self) {
        if (auto p = weakPlayer.lock(); self.isCurrent(g, p)) {
            self.updateSongTitle(p);
        }
    }));
    statusObserver_ =
        player->observeTimeControlStatus(onMain([g, weakPlayer, station](PlayerModel& self) {
            if (auto p = weakPlayer.lock();
                self.isCurrent(g, p) && p->timeControlStatus() == TimeControlStatus::playing) {
                self.onFirstAudio(g, p, station);
            }
        }));
    player->play();
    ensureBeat();
    if (waitingForSystem()) {
        showWaitingForSystem();
    }
    updateNowPlaying(false, false);
}

bool PlayerModel::isCurrent(std::int64_t generation,
                            const std::shared_ptr<AudioPlayer>& player) const {
    // A pause takes the player out without a new generation: work already posted for it
    // must not touch the model either.
    return player && generation == gen_ && player == player_;
}

void PlayerModel::onItemStatus(std::int64_t generation, const std::shared_ptr<AudioPlayer>& player,
                               const Station& station) {
    if (!isCurrent(generation, player)) {
        return;
    }
    switch (player->itemStatus()) {
        case ItemStatus::readyToPlay:
            player->play();
            break;
        case ItemStatus::failed:
            // Without a network or a sound server every stream fails: that says nothing about
            // the station.
            if (currentStation_ == station && !outageExplainsFailure()) {
                markFailed(station.id);
                track("station_failed", currentMood_, station.id, false);
                attemptNext();
            }
            break;
        case ItemStatus::unknown:
            break;
    }
}

void PlayerModel::onFirstAudio(std::int64_t generation, const std::shared_ptr<AudioPlayer>& player,
                               const Station& station) {
    if (generation != gen_) {
        return;
    }
    const bool firstOfRequest = !everPlayedThisRequest_;
    stallDeadline_.reset();
    // Playing again after buffering changes nothing else; a reconnected player (still
    // connecting) brings the same request back to playing, without a second start event.
    if (!firstOfRequest && phase_ != Phase::connecting) {
        return;
    }
    if (firstOfRequest) {
        everPlayedThisRequest_ = true;
        reconnectTried_ = 0;
        roundStations_.clear();
        roundDeadline_.reset();
    }
    // A stream that plays proves the network is there, whatever the hint says.
    if (!condition_.online) {
        hintOverruled_ = true;
        outageConfirmed_ = false;
    }
    if (isWaitingText(statusText_)) {
        setStatusText("");
    }
    setPhase(Phase::playing);
    startFadeIn(player);
    updateNowPlaying(false, false);
    if (!listenStart_) {
        listenStart_ = now();
    }
    if (firstOfRequest) {
        track("station_start", currentMood_, station.id, true, msSinceRequest());
    }
}

void PlayerModel::updateSongTitle(const std::shared_ptr<AudioPlayer>& player) {
    const SongTitle song =
        readSongTitle(player->timedMetadata().value_or(std::vector<MetadataItem>{}));
    if (song.title == songTitle_ && song.artist == songArtist_) {
        return;
    }
    songTitle_ = song.title;
    songArtist_ = song.artist;
    setSongText(songLine(song));
    updateNowPlaying(false, false);
}

float PlayerModel::firstFadeInGain() const {
    return baseGain_ *
           std::min(static_cast<float>(kFadeStep.count() / kFadeInDuration), sleepFactor());
}

void PlayerModel::startFadeIn(std::shared_ptr<AudioPlayer> player) {
    if (fadeInTimer_) {
        fadeInTimer_->invalidate();
        fadeInTimer_.reset();
    }
    const std::int64_t g = gen_;
    const Instant t0 = now();
    player->setVolume(firstFadeInGain());
    std::weak_ptr<AudioPlayer> weakPlayer = player;
    fadeInTimer_ = scheduleSteps(
        services_.loop, kFadeStep, [weak = weak_from_this(), g, t0, weakPlayer](Timer& timer) {
            auto self = weak.lock();
            auto p = weakPlayer.lock();
            if (!self || !p || self->gen_ != g) {
                timer.invalidate();
                return;
            }
            const double progress = secondsBetween(t0, self->now()).count() / kFadeInDuration;
            if (progress < 1) {
                p->setVolume(self->baseGain_ *
                             std::min(static_cast<float>(progress), self->sleepFactor()));
                return;
            }
            p->setVolume(self->baseGain_ * self->sleepFactor());
            timer.invalidate();
            if (self->fadeInTimer_.get() == &timer) {
                self->fadeInTimer_.reset();
            }
        });
}

void PlayerModel::teardownObservers() {
    for (auto* observer : {&itemObserver_, &metaObserver_, &statusObserver_}) {
        if (*observer) {
            (*observer)->invalidate();
            observer->reset();
        }
    }
}

void PlayerModel::takePlayerOut(double rampDuration) {
    std::shared_ptr<AudioPlayer> old = std::exchange(player_, nullptr);
    teardownObservers();
    if (fadeInTimer_) {
        fadeInTimer_->invalidate();
        fadeInTimer_.reset();
    }
    if (old) {
        rampOut(std::move(old), rampDuration);
    }
    // Sleep may come once the player is quiet.
    services_.loop.postAfter(Seconds(rampDuration) + kFadeStep, [weak = weak_from_this()] {
        if (auto self = weak.lock(); self && !self->player_) {
            self->holdSleepDelay(false);
        }
    });
}

void PlayerModel::rampOut(std::shared_ptr<AudioPlayer> player, double duration) {
    // At most one player fades beside the current one: whatever the rate of commands, the
    // sound server never holds more than three of our streams.
    endFadeOut();
    const float startVolume = player->volume();
    const Instant t0 = now();
    EventLoop& loop = services_.loop;
    std::weak_ptr<AudioPlayer> weakPlayer = player;
    // Each step sets the level the ramp reaches by the next one, the first at once: the sink
    // plays a gain change some 40 ms late, and a pause must be heard within 50 ms.
    player->setVolume(startVolume *
                      static_cast<float>(std::max(0.0, 1 - kFadeStep.count() / duration)));
    // Holds the player and not the model: the ramp finishes even if the model is gone.
    auto timer =
        scheduleSteps(loop, kFadeStep, [&loop, player, t0, duration, startVolume](Timer& timer) {
            const double t = (secondsBetween(t0, loop.now()) + kFadeStep).count() / duration;
            if (t < 1) {
                player->setVolume(startVolume * static_cast<float>(1 - t));
                return;
            }
            player->pause();
            player->setVolume(startVolume);
            timer.invalidate();
        });
    fadeOut_ = FadeOut{std::move(timer), std::move(weakPlayer), startVolume};
}

void PlayerModel::endFadeOut() {
    FadeOut fade = std::exchange(fadeOut_, {});
    if (!fade.timer || !fade.timer->isValid()) {
        return;
    }
    // Invalidating lets the loop drop the ramp, and with it the player.
    fade.timer->invalidate();
    if (auto player = fade.player.lock()) {
        player->pause();
        player->setVolume(fade.startVolume);
    }
}

std::int64_t PlayerModel::msSinceRequest() const {
    if (!requestStart_) {
        return 0;
    }
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now() - *requestStart_).count();
    return std::min<std::int64_t>(ms, kMaxRequestMs);
}

void PlayerModel::endListen() {
    if (listenStart_) {
        listenAccum_ += secondsBetween(*listenStart_, now()).count();
    }
    listenStart_.reset();
}

void PlayerModel::closeSession() {
    endListen();
    const double minutes = listenAccum_ / 60.0;
    if (minutes >= 0.5) {
        track("session_duration", currentMood_, std::nullopt, std::nullopt, std::nullopt, minutes);
    }
    listenAccum_ = 0;
}

void PlayerModel::track(std::string_view type, std::optional<Mood> mood,
                        std::optional<std::string> stationId, std::optional<bool> ok,
                        std::optional<std::int64_t> ms, std::optional<double> minutes) {
    services_.stats.track(std::string(type),
                          mood ? std::optional<std::string>(mood->rawValue()) : std::nullopt,
                          stationId, ok, ms, minutes);
}

}  // namespace quilvo
