#include "app/system_condition_sources.hpp"

#include <utility>

namespace quilvo {

void SystemConditionSources::install(std::function<void(SystemCondition)> changed) {
    changed_ = std::move(changed);
    bus_.install([this](SystemCondition condition) {
        known_.online = condition.online;
        known_.asleep = condition.asleep;
        report();
    });
    sound_.watchSoundServer([this](SoundServer server) {
        known_.soundServer = server;
        report();
    });
}

void SystemConditionSources::report() {
    if (known_ == reported_) {
        return;
    }
    reported_ = known_;
    changed_(known_);
}

}  // namespace quilvo
