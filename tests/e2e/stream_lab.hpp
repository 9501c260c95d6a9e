#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/cli_process.hpp"
#include "support/fault_stream_server.hpp"
#include "support/pulse_server.hpp"
#include "support/temp_dir.hpp"

namespace quilvo::testing {

// quilvo-cli playing local streams, good and faulty, into a private sound server. Each test
// writes its own catalogue and starts the program on it with start().
class StreamLab : public ::testing::Test {
  public:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

  protected:
    static constexpr const char* kGiveUpText = "暂时无法播放，请稍后重试";
    static constexpr const char* kNoStationText = "这个状态暂时没有可用电台";
    // Audible: well above a null sink's silence, well below the tone's level.
    static constexpr double kSound = 0.02;
    static constexpr std::chrono::milliseconds kTimeout{15000};

    void SetUp() override;
    // A program still running at the end must quit cleanly.
    void TearDown() override;

    // A 10-second MP3 of a steady tone, 128 kbit/s.
    static const std::filesystem::path& tone() { return tone_; }
    PulseServer& pulse() { return *pulse_; }
    FaultStreamServer& streams() { return *streams_; }
    CliProcess& cli() { return *cli_; }

    // Starts quilvo-cli on a catalogue of `stations`, playing into the lab's sound server.
    CliProcess& start(const std::vector<TestStation>& stations);

    // Sends `command` and waits for a state in `phase`.
    std::optional<CliState> sendAndWait(const std::string& command, const std::string& phase);

    // Chooses `mood`, which holds `station` and one station that plays, until `station` is
    // drawn: when the other one comes first, it is let play and skipped with "next". The draw
    // order of a mood is random; this makes `station` start as a request either way. Returns
    // the state in which `station` began connecting.
    std::optional<CliState> chooseUntilDrawn(const std::string& mood, const std::string& station);

    // Waits for the next statistics event of `type` about `station`.
    std::optional<CliStat> waitForStat(const std::string& type, const std::string& station,
                                       std::chrono::milliseconds timeout = kTimeout);
    // Chooses `emptyMood`, a mood without stations (the current station plays on), and waits
    // for its "mood_selected" event. Statistics are printed in the order recorded, so every
    // event recorded before has been printed by then.
    bool flushStats(const std::string& emptyMood);
    // Statistics events of `type` about `station` printed so far.
    std::size_t countStats(const std::string& type, const std::string& station) const;

  private:
    static inline std::unique_ptr<TempDir> suiteDir_;
    static inline std::filesystem::path tone_;

    std::unique_ptr<TempDir> dir_;
    std::unique_ptr<PulseServer> pulse_;
    std::unique_ptr<FaultStreamServer> streams_;
    std::unique_ptr<CliProcess> cli_;
};

// Seconds from `from` to `to`.
double secondsBetween(std::chrono::steady_clock::time_point from,
                      std::chrono::steady_clock::time_point to);

}  // namespace quilvo::testing
