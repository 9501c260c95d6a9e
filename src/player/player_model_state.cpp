#include <utility>

#include "player/player_model.hpp"

namespace quilvo {

std::shared_ptr<PlayerModel> PlayerModel::create(PlayerServices services,
                                                 StationRepository repository) {
    return std::shared_ptr<PlayerModel>(
        new PlayerModel(std::move(services), std::move(repository)));
}

PlayerModel::PlayerModel(PlayerServices services, StationRepository repository)
    : services_(std::move(services)),
      repository_(std::move(repository)),
      systemRandom_(std::random_device{}()) {
    if (!services_.random) {
        services_.random = [this] { return systemRandom_(); };
    }
}

PlayerModel::~PlayerModel() {
    // Callbacks hold the model weakly; stopping its own timers and observations keeps them from
    // ticking on for nothing. Fade-outs own their players and finish by themselves.
    for (const auto& timer : {beat_, sleepTick_, fadeInTimer_}) {
        if (timer) {
            timer->invalidate();
        }
    }
    teardownObservers();
}

void PlayerModel::setCurrentMood(std::optional<Mood> mood) {
    objectWillChange_.fire();
    currentMood_ = mood;
    services_.notifications.post(kQuilvoStateChanged);
}

void PlayerModel::setCurrentStation(std::optional<Station> station) {
    objectWillChange_.fire();
    currentStation_ = std::move(station);
}

void PlayerModel::setPhase(Phase phase) {
    objectWillChange_.fire();
    phase_ = phase;
    services_.notifications.post(kQuilvoStateChanged);
}

void PlayerModel::setSongText(std::optional<std::string> text) {
    objectWillChange_.fire();
    songText_ = std::move(text);
}

void PlayerModel::setStatusText(std::string text) {
    objectWillChange_.fire();
    statusText_ = std::move(text);
}

void PlayerModel::setSleepRemainText(std::optional<std::string> text) {
    objectWillChange_.fire();
    sleepRemainText_ = std::move(text);
}

void PlayerModel::toggle() {
    if (phase_ == Phase::playing || phase_ == Phase::connecting) {
        userPaused_ = true;
        setStatusText("");
        endListen();
        takePlayerOut(0.15);
        setPhase(Phase::paused);
        updateNowPlaying(true, false);
    } else if (phase_ == Phase::paused && currentStation_) {
        userPaused_ = false;
        setStatusText("");
        playStation(*currentStation_, Start::request);
    } else if (currentMood_) {
        playMood(*currentMood_);
    } else {
        playRandomMood();
    }
}

void PlayerModel::shutdown() {
    stopEverything();
    if (beat_) {
        beat_->invalidate();
        beat_.reset();
    }
    if (sleepTick_) {
        sleepTick_->invalidate();
        sleepTick_.reset();
    }
    sleepDeadline_.reset();
    updateNowPlaying(false, true);
    closeSession();
    services_.stats.flush();
}

std::function<void()> PlayerModel::onMain(std::function<void(PlayerModel&)> work) {
    return [&loop = services_.loop, weak = weak_from_this(), work = std::move(work)] {
        loop.post([weak, work] {
            if (auto self = weak.lock()) {
                work(*self);
            }
        });
    };
}

std::string_view phaseName(PlayerModel::Phase phase) {
    switch (phase) {
        case PlayerModel::Phase::idle:
            return "idle";
        case PlayerModel::Phase::connecting:
            return "connecting";
        case PlayerModel::Phase::playing:
            return "playing";
        case PlayerModel::Phase::paused:
            return "paused";
    }
    return "idle";
}

}  // namespace quilvo
