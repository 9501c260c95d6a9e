#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "media_lab.hpp"
#include "support/sink_recorder.hpp"

namespace quilvo::testing {
namespace {

using namespace std::chrono_literals;

// A change of the default sink reaches the program within milliseconds. A change that must have
// no effect cannot be waited for, so it gets this long to show one.
constexpr auto kDeviceChangeGrace = 1s;

using OutputDeviceCliTest = MediaLab;

TEST_F(OutputDeviceCliTest, ASwitchWhilePlayingPausesAndToggleResumesOnTheNewSink) {
    SinkRecorder sinkA(pulse(), "sinkA");
    SinkRecorder sinkB(pulse(), "sinkB");
    const auto start = SinkRecorder::Clock::now();
    ASSERT_TRUE(sendAndWait("mood bright", "playing")) << cli().transcript();
    ASSERT_TRUE(sinkA.waitForSound(kSound, start, kTimeout)) << "no audio on sinkA";

    pulse().setDefaultSink("sinkB");
    const auto paused = cli().waitForState([](const CliState& s) { return s.phase == "paused"; });
    ASSERT_TRUE(paused) << cli().transcript();
    EXPECT_EQ(paused->status, kOutputChangedText);
    EXPECT_EQ(playerctl({"status"}), "Paused");

    // Further switches while paused change nothing; sinkB stays the default.
    const std::size_t mark = cli().stateCount();
    pulse().setDefaultSink("sinkA");
    pulse().setDefaultSink("sinkB");
    std::this_thread::sleep_for(kDeviceChangeGrace);
    ASSERT_TRUE(cli().settle());
    for (const auto& state : cli().statesSince(mark)) {
        EXPECT_EQ(state.phase, "paused");
        EXPECT_EQ(state.status, kOutputChangedText);
    }

    const auto resumedAt = SinkRecorder::Clock::now();
    const auto resumed = sendAndWait("toggle", "playing");
    ASSERT_TRUE(resumed) << cli().transcript();
    EXPECT_EQ(resumed->status, "");
    EXPECT_TRUE(sinkB.waitForSound(kSound, resumedAt, kTimeout)) << "no audio on the new sink";
}

TEST_F(OutputDeviceCliTest, ASwitchWhileConnectingChangesNothing) {
    ASSERT_TRUE(sendAndWait("mood energy", "connecting")) << cli().transcript();
    const std::size_t mark = cli().stateCount();
    pulse().setDefaultSink("sinkB");
    std::this_thread::sleep_for(kDeviceChangeGrace);
    ASSERT_TRUE(cli().settle());
    // The station may time out meanwhile; what must not happen is the device pause.
    for (const auto& state : cli().statesSince(mark)) {
        EXPECT_NE(state.phase, "paused");
        EXPECT_NE(state.status, kOutputChangedText);
    }
}

}  // namespace
}  // namespace quilvo::testing
