#include <gtest/gtest.h>

#include <string>

#include "media_lab.hpp"
#include "support/child_process.hpp"

namespace quilvo::testing {
namespace {

using MprisCliTest = MediaLab;

std::string nowPlaying(const std::string& title, const std::string& artist) {
    return title + "|" + artist;
}

TEST_F(MprisCliTest, NowPlayingFollowsThePlayer) {
    const std::vector<std::string> titleAndArtist{"metadata", "--format", "{{title}}|{{artist}}"};
    EXPECT_EQ(playerctl({"status"}), "Stopped");

    ASSERT_TRUE(sendAndWait("mood bright", "playing")) << cli().transcript();
    EXPECT_EQ(playerctl({"status"}), "Playing");
    EXPECT_EQ(playerctl(titleAndArtist), nowPlaying("Quilvo", "悦"));

    // The stream's title carries the artist; the artist shown is the mood's.
    cli().send("mood calm");
    ASSERT_TRUE(cli().waitForState([](const CliState& s) { return s.song == kSongTwo; }))
        << cli().transcript();
    EXPECT_EQ(playerctl(titleAndArtist), nowPlaying(kSongTwo, "静"));

    ASSERT_TRUE(sendAndWait("toggle", "paused")) << cli().transcript();
    EXPECT_EQ(playerctl({"status"}), "Paused");
    EXPECT_EQ(playerctl(titleAndArtist), nowPlaying(kSongTwo, "静"));

    // Both sleep stations are refused: the player gives up and clears Now Playing.
    cli().send("mood sleep");
    ASSERT_TRUE(cli().waitForState([](const CliState& s) { return s.status == kGiveUpText; }))
        << cli().transcript();
    EXPECT_EQ(playerctl({"status"}), "Stopped");
    EXPECT_EQ(playerctl(titleAndArtist), "");
}

TEST_F(MprisCliTest, FollowersSeeTitleChangesAsTheyHappen) {
    ASSERT_TRUE(sendAndWait("mood bright", "playing")) << cli().transcript();
    ChildProcess::Options options;
    options.captureStdout = true;
    options.env = {bus().clientEnv()};
    ChildProcess follower(
        {"playerctl", "-p", "quilvo", "--follow", "metadata", "--format", "{{title}}"}, options);
    const auto sees = [&](const std::string& title) {
        return follower
            .waitForLine([&](const std::string& line) { return line == title; }, kTimeout)
            .has_value();
    };
    // The follower shows what plays once it listens; everything later reaches it as signals.
    ASSERT_TRUE(sees("Quilvo"));
    cli().send("mood calm");
    EXPECT_TRUE(sees(kSongOne)) << ::testing::PrintToString(follower.lines());
    EXPECT_TRUE(sees(kSongTwo)) << ::testing::PrintToString(follower.lines());
}

TEST_F(MprisCliTest, RemoteCommandsDriveTheModelByItsRules) {
    // Without a mood, next has nothing to skip. Events are recorded in order, so a skip would
    // show before the mood's choice.
    playerctl({"next"});
    ASSERT_TRUE(cli().settle());
    EXPECT_FALSE(cli().latest().mood);
    const auto playing = sendAndWait("mood calm", "playing");
    ASSERT_TRUE(playing) << cli().transcript();
    const auto station = playing->station;
    ASSERT_TRUE(cli().waitForStat("mood_selected"));
    for (const auto& stat : cli().stats()) {
        EXPECT_NE(stat.type, "station_skip");
    }

    // Play while playing does nothing.
    std::size_t mark = cli().stateCount();
    playerctl({"play"});
    ASSERT_TRUE(cli().settle());
    for (const auto& state : cli().statesSince(mark)) {
        EXPECT_EQ(state.phase, "playing");
        EXPECT_EQ(state.station, station);
    }

    playerctl({"pause"});
    ASSERT_TRUE(cli().waitForState([](const CliState& s) { return s.phase == "paused"; }));
    EXPECT_EQ(playerctl({"status"}), "Paused");

    // Pause while paused does nothing.
    mark = cli().stateCount();
    playerctl({"pause"});
    ASSERT_TRUE(cli().settle());
    for (const auto& state : cli().statesSince(mark)) {
        EXPECT_EQ(state.phase, "paused");
    }

    // Play resumes the same station; play-pause toggles either way.
    playerctl({"play"});
    auto resumed = cli().waitForState([](const CliState& s) { return s.phase == "playing"; });
    ASSERT_TRUE(resumed) << cli().transcript();
    EXPECT_EQ(resumed->station, station);
    playerctl({"play-pause"});
    ASSERT_TRUE(cli().waitForState([](const CliState& s) { return s.phase == "paused"; }));
    playerctl({"play-pause"});
    ASSERT_TRUE(cli().waitForState([](const CliState& s) { return s.phase == "playing"; }));

    // Next moves to the mood's other station and is recorded as a skip.
    playerctl({"next"});
    const auto skipped = cli().waitForState(
        [&](const CliState& s) { return s.phase == "playing" && s.station != station; });
    ASSERT_TRUE(skipped) << cli().transcript();
    const auto skip = cli().waitForStat("station_skip");
    ASSERT_TRUE(skip);
    EXPECT_EQ(skip->event.value("station_id", ""), station.value_or(""));
    EXPECT_EQ(skip->event.value("mood", ""), "calm");

    // Previous is offered to no one, and a direct call does nothing.
    EXPECT_EQ(playerProperty("CanGoPrevious"), "boolean false");
    int previousExit = 0;
    playerctl({"previous"}, &previousExit);
    EXPECT_NE(previousExit, 0);
    mark = cli().stateCount();
    EXPECT_TRUE(callPlayer("Previous"));
    ASSERT_TRUE(cli().settle());
    for (const auto& state : cli().statesSince(mark)) {
        EXPECT_EQ(state.phase, "playing");
        EXPECT_EQ(state.station, skipped->station);
    }

    // Pause while connecting does nothing; play while connecting toggles, which pauses.
    ASSERT_TRUE(sendAndWait("mood energy", "connecting")) << cli().transcript();
    mark = cli().stateCount();
    playerctl({"pause"});
    ASSERT_TRUE(cli().settle());
    for (const auto& state : cli().statesSince(mark)) {
        EXPECT_NE(state.phase, "paused");
    }
    playerctl({"play"});
    EXPECT_TRUE(cli().waitForState([](const CliState& s) { return s.phase == "paused"; }))
        << cli().transcript();
}

}  // namespace
}  // namespace quilvo::testing
