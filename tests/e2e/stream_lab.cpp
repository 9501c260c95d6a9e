#include "stream_lab.hpp"

#include "support/tone_file.hpp"

namespace quilvo::testing {

void StreamLab::SetUpTestSuite() {
    suiteDir_ = std::make_unique<TempDir>("quilvo-stream-lab");
    tone_ = *suiteDir_ / "tone.mp3";
    makeToneMp3(tone_, 10.0);
}

void StreamLab::TearDownTestSuite() {
    suiteDir_.reset();
}

void StreamLab::SetUp() {
    dir_ = std::make_unique<TempDir>("quilvo-stream-lab");
    pulse_ = std::make_unique<PulseServer>();
    streams_ = std::make_unique<FaultStreamServer>(tone());
}

void StreamLab::TearDown() {
    if (cli_ && cli_->running()) {
        EXPECT_EQ(cli_->quit(), 0) << cli_->transcript();
    }
    cli_.reset();
}

CliProcess& StreamLab::start(const std::vector<TestStation>& stations) {
    const auto catalogue = *dir_ / "stations.json";
    writeCatalogue(catalogue, stations);
    cli_ = std::make_unique<CliProcess>(CliProcess::Options{catalogue, {pulse_->clientEnv()}, {}});
    return *cli_;
}

std::optional<CliState> StreamLab::sendAndWait(const std::string& command,
                                               const std::string& phase) {
    cli().send(command);
    return cli().waitForState([&](const CliState& state) { return state.phase == phase; });
}

std::optional<CliState> StreamLab::chooseUntilDrawn(const std::string& mood,
                                                    const std::string& station) {
    cli().send("mood " + mood);
    const auto first = cli().waitForState([](const CliState& s) { return s.station.has_value(); });
    if (!first || first->station == station) {
        return first;
    }
    const auto other = first->station;
    if (!cli().waitForState(
            [&](const CliState& s) { return s.station == other && s.phase == "playing"; })) {
        return std::nullopt;
    }
    cli().send("next");
    return cli().waitForState([&](const CliState& s) { return s.station == station; });
}

std::optional<CliStat> StreamLab::waitForStat(const std::string& type, const std::string& station,
                                              std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left <= std::chrono::milliseconds::zero()) {
            return std::nullopt;
        }
        auto stat = cli().waitForStat(type, left);
        if (!stat || stat->event.value("station_id", "") == station) {
            return stat;
        }
    }
}

bool StreamLab::flushStats(const std::string& emptyMood) {
    cli().send("mood " + emptyMood);
    for (;;) {
        const auto stat = cli().waitForStat("mood_selected");
        if (!stat) {
            return false;
        }
        if (stat->event.value("mood", "") == emptyMood) {
            return true;
        }
    }
}

std::size_t StreamLab::countStats(const std::string& type, const std::string& station) const {
    std::size_t count = 0;
    for (const auto& stat : cli_->stats()) {
        count += stat.type == type && stat.event.value("station_id", "") == station ? 1 : 0;
    }
    return count;
}

double secondsBetween(std::chrono::steady_clock::time_point from,
                      std::chrono::steady_clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

}  // namespace quilvo::testing
