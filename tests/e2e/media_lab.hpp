#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/cli_process.hpp"
#include "support/dbus_session.hpp"
#include "support/fault_stream_server.hpp"
#include "support/pulse_server.hpp"
#include "support/temp_dir.hpp"

namespace quilvo::testing {

// quilvo-cli playing local streams into a private sound server, on a private session bus.
//
// The catalogue's moods:
//   calm   — two stations with ICY titles: kSongOne, then kSongTwo three seconds later;
//   bright — one station without titles;
//   energy — one station that never answers: it stays connecting until the source times out;
//   sleep  — two stations on refused ports: the player gives up at once.
//
// The program reaches the sound server through a link in the lab's folder, so that a new
// server can take the old one's place under the running program.
class MediaLab : public ::testing::Test {
  public:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

  protected:
    static constexpr const char* kSongOne = "Artist A - Song One";
    static constexpr const char* kSongTwo = "Artist B - Song Two";
    static constexpr const char* kGiveUpText = "暂时无法播放，请稍后重试";
    static constexpr const char* kOutputChangedText = "音频输出已切换，已暂停";
    // Audible: well above a null sink's silence, well below the tone's level.
    static constexpr double kSound = 0.02;
    static constexpr std::chrono::milliseconds kTimeout{15000};

    void SetUp() override;
    // Every test ends with the program quitting cleanly.
    void TearDown() override;

    PulseServer& pulse() { return *pulse_; }
    DbusSession& bus() { return bus_; }
    CliProcess& cli() { return *cli_; }

    // Sends `command` and waits for a state in `phase`.
    std::optional<CliState> sendAndWait(const std::string& command, const std::string& phase);

    // `playerctl -p quilvo ARGUMENTS` on the lab's bus: its standard output without the final
    // line break. `exitCode` receives the exit code when given.
    std::string playerctl(const std::vector<std::string>& arguments, int* exitCode = nullptr);
    // Calls a method of the MPRIS Player interface directly, past playerctl's own checks.
    bool callPlayer(const std::string& method);
    // A property of the MPRIS Player interface as dbus-send prints it ("boolean false").
    std::string playerProperty(const std::string& name);
    // Waits until playerctl lists the program's player.
    bool waitForPlayer(std::chrono::milliseconds timeout = kTimeout);

    // Kills the sound server and starts a new one (default sink "sinkA") in its place.
    void restartSoundServer();

  private:
    static inline std::unique_ptr<TempDir> suiteDir_;
    static inline std::filesystem::path tone_;

    std::unique_ptr<TempDir> dir_;
    std::filesystem::path pulseLink_;
    std::unique_ptr<PulseServer> pulse_;
    DbusSession bus_;
    std::unique_ptr<FaultStreamServer> streams_;
    std::unique_ptr<CliProcess> cli_;
};

}  // namespace quilvo::testing
