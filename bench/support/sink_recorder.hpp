#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "support/child_process.hpp"
#include "support/pulse_server.hpp"

namespace quilvo::testing {

// Records what a sink of a PulseServer plays (from its monitor, with parec) and measures its
// level. Levels are RMS of both channels relative to full scale (0 silent, about 0.7 for a
// full-scale sine), kept in 10 ms blocks stamped with the steady-clock time they were played.
class SinkRecorder {
  public:
    using Clock = std::chrono::steady_clock;

    struct Level {
        Clock::time_point end;  // when the last sample of the window was played
        double rms;
    };

    // Starts recording and waits until the first audio (silence, usually) arrives. Throws
    // std::runtime_error if nothing arrives within 10 s.
    explicit SinkRecorder(const PulseServer& server, const std::string& sink = "sinkA");
    ~SinkRecorder();

    SinkRecorder(const SinkRecorder&) = delete;
    SinkRecorder& operator=(const SinkRecorder&) = delete;

    // Levels of consecutive windows of `window` (a multiple of 10 ms) played after `since`.
    std::vector<Level> levels(std::chrono::milliseconds window,
                              Clock::time_point since = Clock::time_point()) const;
    // Level of everything played from `from` to `to`; 0 if nothing was recorded then.
    double levelBetween(Clock::time_point from, Clock::time_point to) const;
    // Waits until a 10 ms block played after `since` is louder than `threshold`; the time that
    // block was played, absent on timeout.
    std::optional<Clock::time_point> waitForSound(double threshold, Clock::time_point since,
                                                  std::chrono::milliseconds timeout) const;
    // Waits until `span` of audio played after `since` stayed at or below `threshold`; the time
    // the quiet span began, absent on timeout.
    std::optional<Clock::time_point> waitForQuiet(double threshold, std::chrono::milliseconds span,
                                                  Clock::time_point since,
                                                  std::chrono::milliseconds timeout) const;

  private:
    struct Block {
        Clock::time_point end;
        double sumSquares;
        std::size_t samples;
    };

    void consume(std::string_view data);
    std::vector<Block> blocksSince(Clock::time_point since) const;

    mutable std::mutex mutex_;
    std::vector<Block> blocks_;
    std::string pending_;
    double sumSquares_ = 0.0;
    std::size_t samples_ = 0;
    std::unique_ptr<ChildProcess> parec_;
};

}  // namespace quilvo::testing
