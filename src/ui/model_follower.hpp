#pragma once

#include <QObject>
#include <functional>

#include "player/player_model.hpp"
#include "player/will_change_signal.hpp"

namespace quilvo {

// Calls `refresh` once after a burst of model changes: the model announces a change before it
// stores it, so the view reads it from the event loop, once the store is done.
class ModelFollower {
  public:
    ModelFollower(PlayerModel& model, QObject* context, std::function<void()> refresh);
    ~ModelFollower();
    ModelFollower(const ModelFollower&) = delete;
    ModelFollower& operator=(const ModelFollower&) = delete;

  private:
    PlayerModel& model_;
    QObject* context_;
    std::function<void()> refresh_;
    bool pending_ = false;
    WillChangeSignal::Token subscription_;
};

}  // namespace quilvo
