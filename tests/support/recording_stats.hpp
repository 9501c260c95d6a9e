#pragma once

#include <cstdint>
#include <optional>
#include <ranges>
#include <string>
#include <string_view>
#include <vector>

#include "platform/stats_recorder.hpp"

namespace quilvo::testing {

struct Event {
    std::string type;
    std::optional<std::string> mood;
    std::optional<std::string> stationId;
    std::optional<bool> ok;
    std::optional<std::int64_t> ms;
    std::optional<double> minutes;
    friend bool operator==(const Event&, const Event&) = default;
};

// Keeps every tracked event.
class RecordingStats : public StatsRecorder {
  public:
    void track(const std::string& type, const std::optional<std::string>& mood,
               const std::optional<std::string>& stationId, std::optional<bool> ok,
               std::optional<std::int64_t> ms, std::optional<double> minutes) override {
        events.push_back({type, mood, stationId, ok, ms, minutes});
    }
    void flush() override {}

    std::vector<Event> ofType(std::string_view type) const {
        auto found = events | std::views::filter([&](const Event& e) { return e.type == type; });
        return {found.begin(), found.end()};
    }

    std::vector<Event> events;
};

}  // namespace quilvo::testing
