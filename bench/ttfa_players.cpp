#include "ttfa_players.hpp"

#include <nlohmann/json.hpp>
#include <stdexcept>
#include <thread>

namespace quilvo::bench {

namespace {

using namespace std::chrono_literals;

// Lets an idle quilvo-cli finish starting up before it is timed.
constexpr auto kIdleBeforeCommand = 1s;
constexpr auto kStartTimeout = 15s;

}  // namespace

std::string_view playerLabel(Player player) {
    switch (player) {
        case Player::quilvoCommand:
            return "quilvo-cli (from command)";
        case Player::quilvoStart:
            return "quilvo-cli (from start)";
        case Player::gstLaunch:
            return "gst-launch-1.0 playbin";
        case Player::mpv:
            return "mpv --no-video";
    }
    return "?";
}

PlayerRun::PlayerRun(Player player, const PlayerSetup& setup) : player_(player) {
    testing::ChildProcess::Options options;
    options.env = setup.env;
    options.quietStderr = true;
    std::vector<std::string> argv;
    switch (player) {
        case Player::quilvoCommand:
        case Player::quilvoStart:
            argv = {setup.quilvoCli, "--json", "--catalogue", setup.catalogue.string()};
            options.pipeStdin = true;
            options.onOutput = [this](std::string_view bytes) { consume(bytes); };
            options.env.push_back("XDG_STATE_HOME=" + (setup.scratch / "state").string());
            // Statistics stay off: nothing to upload, nothing to reach.
            options.env.push_back("DO_NOT_TRACK=1");
            options.env.push_back("QUILVO_STATS_ENDPOINT=http://127.0.0.1:" +
                                  std::to_string(testing::freeLoopbackPort()) + "/api/event");
            break;
        case Player::gstLaunch:
            argv = {"gst-launch-1.0", "-q", "playbin", "uri=" + setup.streamUrl,
                    "audio-sink=pulsesink"};
            options.onOutput = [](std::string_view) {};
            break;
        case Player::mpv:
            // --no-terminal: no status line on a pipe, as gst-launch's -q.
            argv = {"mpv", "--no-config", "--no-video", "--no-terminal", "--ao=pulse"};
            argv.push_back(setup.streamUrl);
            options.onOutput = [](std::string_view) {};
            break;
    }

    commandAt_ = Clock::now();
    child_ = std::make_unique<testing::ChildProcess>(std::move(argv), std::move(options));
    if (player == Player::quilvoStart) {
        child_->writeStdin("mood calm\n");
    } else if (player == Player::quilvoCommand) {
        const bool started = testing::waitUntil(
            [this] {
                std::lock_guard lock(mutex_);
                return !phases_.empty();
            },
            kStartTimeout);
        if (!started) {
            throw std::runtime_error("quilvo-cli printed no state line");
        }
        std::this_thread::sleep_for(kIdleBeforeCommand);
        commandAt_ = Clock::now();
        child_->writeStdin("mood calm\n");
    }
}

PlayerRun::~PlayerRun() {
    stop();
}

void PlayerRun::consume(std::string_view bytes) {
    const auto now = Clock::now();
    std::lock_guard lock(mutex_);
    partial_.append(bytes);
    for (auto end = partial_.find('\n'); end != std::string::npos; end = partial_.find('\n')) {
        const auto line = nlohmann::json::parse(partial_.substr(0, end), nullptr, false);
        partial_.erase(0, end + 1);
        if (line.is_object() && line.value("type", "") == "state") {
            phases_.emplace_back(now, line.value("phase", ""));
        }
    }
}

std::optional<Clock::time_point> PlayerRun::phaseAt(std::string_view phase) const {
    std::lock_guard lock(mutex_);
    for (const auto& [at, name] : phases_) {
        if (at >= commandAt_ && name == phase) {
            return at;
        }
    }
    return std::nullopt;
}

std::vector<std::pair<Clock::time_point, std::string>> PlayerRun::phaseChanges() const {
    std::lock_guard lock(mutex_);
    std::vector<std::pair<Clock::time_point, std::string>> changes;
    for (const auto& entry : phases_) {
        if (entry.first >= commandAt_ &&
            (changes.empty() || changes.back().second != entry.second)) {
            changes.push_back(entry);
        }
    }
    return changes;
}

void PlayerRun::stop() {
    if (player_ == Player::quilvoCommand || player_ == Player::quilvoStart) {
        child_->writeStdin("quit\n");
        child_->wait(5s);
    }
    child_->stop();
}

}  // namespace quilvo::bench
