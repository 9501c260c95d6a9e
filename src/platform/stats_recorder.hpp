#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quilvo {

// Where the player reports usage events. Never blocks the caller.
class StatsRecorder {
  public:
    virtual ~StatsRecorder() = default;
    virtual void track(const std::string& type, const std::optional<std::string>& mood,
                       const std::optional<std::string>& stationId, std::optional<bool> ok,
                       std::optional<std::int64_t> ms, std::optional<double> minutes) = 0;
    // Asks for what is queued to be sent; returns at once.
    virtual void flush() = 0;
};

}  // namespace quilvo
