#include "player/status_texts.hpp"
#include "player_fixture.hpp"

namespace quilvo::testing {

using SystemCondition = PlayerTest;
const std::string kOffline = " " + std::string(kOfflineText);

TEST_F(SystemCondition, OutageIsNoStationFailureButAFailureOnlineStillIs) {
    playConnected(Mood::sleep);  // its only station
    system.change({false, false});
    player()->stall();
    advance(40);
    player()->fail();
    expectTimeline({{0, "connecting s1 #1" + kOffline}});
    EXPECT_EQ(media.current()->title, kOfflineText);
    system.change({true, false});
    expectTimeline({{0, "connecting s1 #2"}});
    connect();
    model->playMood(Mood::sleep);
    player()->fail();
    loop.runUntilIdle();
    EXPECT_EQ(stats.ofType("station_start").size(), 1U);
    EXPECT_EQ(stats.ofType("station_failed").size(), 1U);
    model->playMood(Mood::sleep);
    EXPECT_EQ(model->statusText(), kNoStationText);
}

TEST_F(SystemCondition, OutageDoesNotUseUpTheAttemptRound) {
    model->playMood(Mood::calm);
    expectTimeline({{8, "connecting s2 #2"}});  // the first station timed out
    system.change({false, false});
    advance(30);
    system.change({true, false});
    // Back online the station reconnects, and the round still has time for a third one.
    expectTimeline({{0, "connecting s2 #3"}, {8, "connecting s3 #4"}});
}

TEST_F(SystemCondition, SleepTakesThePlayerOutAndResumeBringsTheStationBack) {
    playConnected(Mood::calm);  // listening from 0.5 s
    advance(59);
    system.change({true, true});
    advance(600.5);
    system.change({false, false});  // awake, network not back yet
    expectTimeline({{5, "connecting s1 #1" + kOffline}});
    system.change({true, false});
    expectTimeline({{0, "connecting s1 #2"}});
    connect();
    advance(30);
    model->playMood(Mood::bright);
    ASSERT_EQ(stats.ofType("session_duration").size(), 1U);
    EXPECT_NEAR(*stats.ofType("session_duration")[0].minutes, 89.5 / 60, 0.01);
}

TEST_F(SystemCondition, ListenerActionsDuringAnOutageWaitForTheNetwork) {
    system.change({false, false});
    model->playMood(Mood::bright);
    expectTimeline({{0, "connecting s1 #1" + kOffline}});
    advance(40);
    model->shuffleStation();
    model->toggle();
    model->toggle();
    expectTimeline({{40, "connecting s2 #3" + kOffline}});
    system.change({true, false});
    expectTimeline({{0, "connecting s2 #4"}});
    connect();
    EXPECT_EQ(phase(), "playing");
    EXPECT_TRUE(stats.ofType("station_failed").empty());
}

}  // namespace quilvo::testing
