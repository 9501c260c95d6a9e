#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/stats_recorder.hpp"

namespace quilvo::testing {

// Keeps every tracked event and counts flushes.
class RecordingStats : public StatsRecorder {
  public:
    struct Event {
        std::string type;
        std::optional<std::string> mood;
        std::optional<std::string> stationId;
        std::optional<bool> ok;
        std::optional<std::int64_t> ms;
        std::optional<double> minutes;
        friend bool operator==(const Event&, const Event&) = default;
    };

    void track(const std::string& type, const std::optional<std::string>& mood,
               const std::optional<std::string>& stationId, std::optional<bool> ok,
               std::optional<std::int64_t> ms, std::optional<double> minutes) override {
        events.push_back({type, mood, stationId, ok, ms, minutes});
    }
    void flush() override { ++flushes; }

    std::vector<Event> ofType(std::string_view type) const {
        std::vector<Event> found;
        std::ranges::copy_if(events, std::back_inserter(found),
                             [&](const Event& event) { return event.type == type; });
        return found;
    }

    std::vector<Event> events;
    int flushes = 0;
};

}  // namespace quilvo::testing
