#include <gtest/gtest.h>

#include <string>

#include "media_lab.hpp"
#include "support/child_process.hpp"
#include "support/sink_recorder.hpp"

namespace quilvo::testing {
namespace {

using ServiceRestartCliTest = MediaLab;

bool soundServerHasQuilvo(PulseServer& pulse) {
    return pulse.pactl({"list", "clients"}).value_or("").find("application.name = \"Quilvo\"") !=
           std::string::npos;
}

TEST_F(ServiceRestartCliTest, KeepsRunningWhenTheBusAndTheSoundServerRestart) {
    ASSERT_TRUE(sendAndWait("mood bright", "playing")) << cli().transcript();

    bus().kill();
    ASSERT_TRUE(bus().start());
    ASSERT_TRUE(waitForPlayer()) << "quilvo-cli did not come back to the new bus";
    EXPECT_EQ(playerctl({"metadata", "--format", "{{title}}|{{artist}} {{status}}"}),
              "Quilvo|悦 Playing");

    restartSoundServer();
    // The program notices the lost audio, and its device watch joins the new server.
    EXPECT_TRUE(cli().waitForState([](const CliState& s) { return s.phase != "playing"; }))
        << cli().transcript();
    EXPECT_TRUE(waitUntil([&] { return soundServerHasQuilvo(pulse()); }, kTimeout));
    EXPECT_TRUE(cli().running());
}

TEST_F(ServiceRestartCliTest, PlaysOnWhenTheSoundServerRestarts) {
    ASSERT_TRUE(sendAndWait("mood bright", "playing")) << cli().transcript();

    restartSoundServer();
    SinkRecorder sink(pulse(), "sinkA");
    const auto restarted = SinkRecorder::Clock::now();
    // The stream itself is fine: the session reconnects it on the new server.
    ASSERT_TRUE(cli().waitForState([](const CliState& s) { return s.phase != "playing"; }));
    const auto after = cli().waitForState(
        [](const CliState& s) { return s.phase == "playing" || s.phase == "idle"; });
    ASSERT_TRUE(after && after->phase == "playing") << cli().transcript();
    EXPECT_EQ(after->station, "bright-1");
    EXPECT_TRUE(sink.waitForSound(kSound, restarted, kTimeout)) << "no audio on the new server";
    for (const auto& stat : cli().stats()) {
        EXPECT_NE(stat.type, "station_failed") << stat.event.dump();
    }
}

}  // namespace
}  // namespace quilvo::testing
