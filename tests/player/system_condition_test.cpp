#include "player/status_texts.hpp"
#include "player_fixture.hpp"

namespace quilvo::testing {
namespace {

using SystemCondition = PlayerTest;

TEST_F(SystemCondition, OutageIsNoStationFailureButAFailureOnlineStillIs) {
    playConnected(Mood::sleep);  // its only station
    system.set(false, false);
    player()->stall();
    advance(40);
    player()->fail();
    loop.runUntilIdle();
    EXPECT_EQ(phase(), "connecting");
    EXPECT_EQ(model->statusText(), kOfflineText);
    EXPECT_EQ(media.current()->title, kOfflineText);
    EXPECT_EQ(players.created.size(), 1U);
    EXPECT_TRUE(stats.ofType("station_failed").empty());

    system.set(true, false);
    EXPECT_EQ(players.created.size(), 2U);
    EXPECT_EQ(model->statusText(), "");
    connect();
    EXPECT_EQ(phase(), "playing");
    EXPECT_EQ(station(), "s1");
    EXPECT_EQ(stats.ofType("station_start").size(), 1U);

    model->playMood(Mood::sleep);
    EXPECT_EQ(station(), "s1");
    player()->fail();
    loop.runUntilIdle();
    EXPECT_EQ(stats.ofType("station_failed").size(), 1U);
    model->playMood(Mood::sleep);
    EXPECT_EQ(model->statusText(), kNoStationText);
}

TEST_F(SystemCondition, OutageDoesNotUseUpTheAttemptRound) {
    model->playMood(Mood::calm);
    advance(8);  // the first station times out; the second is tried
    ASSERT_EQ(players.created.size(), 2U);
    system.set(false, false);
    advance(30);
    system.set(true, false);
    EXPECT_EQ(players.created.size(), 3U);
    advance(8);  // the round still has time for a third station
    EXPECT_EQ(players.created.size(), 4U);
    connect();
    EXPECT_EQ(phase(), "playing");
}

TEST_F(SystemCondition, SleepTakesThePlayerOutAndResumeBringsTheStationBack) {
    playConnected(Mood::calm);  // listening from 0.5 s
    auto before = player();
    const std::string playing = station();
    EXPECT_TRUE(system.delayHeld);
    advance(59);
    system.set(true, true);
    advance(0.5);
    EXPECT_EQ(before->timeControlStatus(), TimeControlStatus::paused);
    EXPECT_FALSE(system.delayHeld);
    advance(600);
    system.set(false, false);  // awake, network not back yet
    advance(5);
    EXPECT_EQ(players.created.size(), 1U);
    system.set(true, false);
    EXPECT_EQ(station(), playing);
    EXPECT_TRUE(system.delayHeld);
    connect();
    EXPECT_EQ(phase(), "playing");
    advance(30);
    EXPECT_EQ(stats.ofType("station_start").size(), 1U);
    model->playMood(Mood::bright);
    ASSERT_EQ(stats.ofType("session_duration").size(), 1U);
    EXPECT_NEAR(*stats.ofType("session_duration")[0].minutes, 89.5 / 60, 0.01);
}

TEST_F(SystemCondition, ListenerWhoPausedBeforeSleepStaysPaused) {
    playConnected(Mood::calm);
    model->toggle();
    advance(1);
    EXPECT_FALSE(system.delayHeld);
    system.set(true, true);
    system.set(true, false);
    advance(5);
    EXPECT_EQ(phase(), "paused");
    EXPECT_EQ(players.created.size(), 1U);
}

TEST_F(SystemCondition, ListenerActionsDuringAnOutageWaitForTheNetwork) {
    system.set(false, false);
    model->playMood(Mood::bright);
    EXPECT_EQ(phase(), "connecting");
    EXPECT_EQ(model->statusText(), kOfflineText);
    advance(40);
    model->shuffleStation();
    model->toggle();
    model->toggle();
    const std::string chosen = station();
    EXPECT_EQ(players.created.size(), 3U);
    EXPECT_EQ(model->statusText(), kOfflineText);
    advance(40);
    system.set(true, false);
    EXPECT_EQ(station(), chosen);
    connect();
    EXPECT_EQ(phase(), "playing");
    EXPECT_TRUE(stats.ofType("station_failed").empty());
}

}  // namespace
}  // namespace quilvo::testing
