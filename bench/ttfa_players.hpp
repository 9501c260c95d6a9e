#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/child_process.hpp"

namespace quilvo::bench {

using Clock = std::chrono::steady_clock;

enum class Player {
    // quilvo-cli already running and idle, timed from the `mood` command.
    quilvoCommand,
    // quilvo-cli timed from its process start, the command written at once.
    quilvoStart,
    gstLaunch,
    mpv,
};

std::string_view playerLabel(Player player);

struct PlayerSetup {
    std::string quilvoCli;
    std::string streamUrl;
    // A catalogue whose only calm station is streamUrl.
    std::filesystem::path catalogue;
    std::filesystem::path scratch;
    // "NAME=value" entries every player gets (the private sound server, no session bus).
    std::vector<std::string> env;
};

// One player started and told to play the stream. It is stopped on destruction.
class PlayerRun {
  public:
    PlayerRun(Player player, const PlayerSetup& setup);
    ~PlayerRun();

    PlayerRun(const PlayerRun&) = delete;
    PlayerRun& operator=(const PlayerRun&) = delete;

    Player player() const { return player_; }
    pid_t pid() const { return child_->pid(); }
    bool running() { return child_->running(); }
    // When the player was started or, for quilvoCommand, told to play.
    Clock::time_point commandAt() const { return commandAt_; }
    // quilvo-cli only: when the first state line in `phase` reached us after commandAt().
    std::optional<Clock::time_point> phaseAt(std::string_view phase) const;
    // quilvo-cli only: every change of phase after commandAt(), with the time its line arrived.
    std::vector<std::pair<Clock::time_point, std::string>> phaseChanges() const;

    void stop();

  private:
    void consume(std::string_view bytes);

    Player player_;
    Clock::time_point commandAt_;
    mutable std::mutex mutex_;
    std::string partial_;
    std::vector<std::pair<Clock::time_point, std::string>> phases_;
    std::unique_ptr<testing::ChildProcess> child_;
};

}  // namespace quilvo::bench
