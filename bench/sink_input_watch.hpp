#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/child_process.hpp"
#include "support/pulse_server.hpp"

namespace quilvo::bench {

// Notes when playback streams open on the sound server (`pactl subscribe`), so the time a
// player needs to reach the server can be told from the time it needs to make sound.
// pulsesink opens a short-lived stream of its own to learn the server's formats before the
// real one: the stream that plays is the last one opened before the sound.
class SinkInputWatch {
  public:
    using Clock = std::chrono::steady_clock;

    explicit SinkInputWatch(const testing::PulseServer& server);

    // The last stream opened from `since` to `until`.
    std::optional<Clock::time_point> lastOpenedBetween(Clock::time_point since,
                                                       Clock::time_point until) const;

  private:
    void consume(std::string_view bytes);

    mutable std::mutex mutex_;
    std::string partial_;
    std::vector<Clock::time_point> opened_;
    std::unique_ptr<testing::ChildProcess> pactl_;
};

}  // namespace quilvo::bench
