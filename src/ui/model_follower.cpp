#include "ui/model_follower.hpp"

namespace quilvo {

ModelFollower::ModelFollower(PlayerModel& model, QObject* context, std::function<void()> refresh)
    : model_(model), context_(context), refresh_(std::move(refresh)) {
    subscription_ = model_.objectWillChange().subscribe([this] {
        if (pending_) {
            return;
        }
        pending_ = true;
        QMetaObject::invokeMethod(
            context_,
            [this] {
                pending_ = false;
                refresh_();
            },
            Qt::QueuedConnection);
    });
}

ModelFollower::~ModelFollower() {
    model_.objectWillChange().unsubscribe(subscription_);
}

}  // namespace quilvo
