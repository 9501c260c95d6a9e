#include "sink_input_watch.hpp"

namespace quilvo::bench {

SinkInputWatch::SinkInputWatch(const testing::PulseServer& server) {
    testing::ChildProcess::Options options;
    options.env = {server.clientEnv()};
    options.onOutput = [this](std::string_view bytes) { consume(bytes); };
    pactl_ = std::make_unique<testing::ChildProcess>(std::vector<std::string>{"pactl", "subscribe"},
                                                     options);
}

void SinkInputWatch::consume(std::string_view bytes) {
    const auto now = Clock::now();
    std::lock_guard lock(mutex_);
    partial_.append(bytes);
    for (auto end = partial_.find('\n'); end != std::string::npos; end = partial_.find('\n')) {
        if (partial_.substr(0, end).find("'new' on sink-input") != std::string::npos) {
            opened_.push_back(now);
        }
        partial_.erase(0, end + 1);
    }
}

std::optional<SinkInputWatch::Clock::time_point> SinkInputWatch::lastOpenedBetween(
    Clock::time_point since, Clock::time_point until) const {
    std::lock_guard lock(mutex_);
    std::optional<Clock::time_point> last;
    for (const auto at : opened_) {
        if (at >= since && at <= until) {
            last = at;
        }
    }
    return last;
}

}  // namespace quilvo::bench
