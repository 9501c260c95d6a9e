#include "player/status_texts.hpp"
#include "player_fixture.hpp"

namespace quilvo::testing {

using SystemCondition = PlayerTest;
const std::string kOffline = " " + std::string(kOfflineText);
const std::string kNoServer = " " + std::string(kNoSoundServerText);
constexpr quilvo::SystemCondition kOnline{true, false, SoundServer::answers};
constexpr quilvo::SystemCondition kHintOffline{false, false, SoundServer::answers};

// The hint alone changes nothing; a failed connection confirms it, and then nothing is blamed
// while the station is tried every ten seconds. A stream that plays overrules the hint.
TEST_F(SystemCondition, OfflineCountsOnceAConnectionFailsUntilAStreamPlays) {
    playConnected(Mood::sleep);  // its only station
    system.change(kHintOffline);
    player()->stall();
    expectTimeline({{2, "connecting s1 #2"},  // the stall's reconnects are still made
                    {2, "connecting s1 #3"},
                    {7, "connecting s1 #3" + kOffline},
                    {10, "connecting s1 #4" + kOffline},
                    {20, "connecting s1 #6" + kOffline}});
    player()->fail();
    EXPECT_EQ(media.current()->title, kOfflineText);
    connect();
    EXPECT_EQ(state(), "playing s1 #6");
    player()->fail();  // the network is there: this failure is the station's
    loop.runUntilIdle();
    EXPECT_EQ(stats.ofType("station_start").size(), 1U);
    EXPECT_EQ(stats.ofType("station_failed").size(), 1U);
    EXPECT_EQ(state(), "idle #6 " + std::string(kGiveUpText));
}

TEST_F(SystemCondition, OutageDoesNotUseUpTheAttemptRound) {
    model->playMood(Mood::calm);
    expectTimeline({{8, "connecting s2 #2"}});  // the first station timed out
    system.change(kHintOffline);
    advance(29);  // s2 times out at 16, the outage's fault; tried again at 18 and 28
    system.change(kOnline);
    // Back online the station reconnects, and the round still has time for a third one.
    expectTimeline({{0, "connecting s2 #5"}, {8, "connecting s3 #6"}});
}

TEST_F(SystemCondition, SleepTakesThePlayerOutAndResumeBringsTheStationBack) {
    playConnected(Mood::calm);  // listening from 0.5 s
    advance(59);
    system.change({true, true});
    advance(600.5);
    system.change(kHintOffline);  // awake, NetworkManager not connected yet: try anyway
    expectTimeline({{0, "connecting s1 #2"}, {11, "connecting s1 #4" + kOffline}});
    system.change(kOnline);
    expectTimeline({{0, "connecting s1 #5"}});
    connect();
    advance(30);
    model->playMood(Mood::bright);
    ASSERT_EQ(stats.ofType("session_duration").size(), 1U);
    EXPECT_NEAR(*stats.ofType("session_duration")[0].minutes, 89.5 / 60, 0.01);
}

TEST_F(SystemCondition, ListenerActionsDuringAnOutageWaitForTheNetwork) {
    system.change(kHintOffline);
    model->playMood(Mood::bright);
    expectTimeline({{0, "connecting s1 #1"}, {8, "connecting s1 #1" + kOffline}});
    advance(32);
    model->shuffleStation();
    model->toggle();
    model->toggle();
    expectTimeline({{0, "connecting s2 #7" + kOffline}});
    system.change(kOnline);  // nothing held the attempt just started up: it goes on
    expectTimeline({{0, "connecting s2 #7"}});
    connect();
    EXPECT_EQ(phase(), "playing");
    EXPECT_TRUE(stats.ofType("station_failed").empty());
}

// Before its watch has reached a sound server, or while none answers, a failure blames nothing;
// its return brings the current station back as a reconnect, unless the listener paused.
TEST_F(SystemCondition, WithoutASoundServerNothingFailsAndItsReturnReconnects) {
    system.change({true, false, SoundServer::unknown});
    model->playMood(Mood::calm);
    player()->fail();
    expectTimeline({{0, "connecting s1 #1"}});
    system.change({true, false, SoundServer::absent});
    expectTimeline({{0, "connecting s1 #1" + kNoServer}, {40, "connecting s1 #1" + kNoServer}});
    system.change(kOnline);
    expectTimeline({{0, "connecting s1 #2"}});
    connect();
    player()->stall();  // the server went away while playing
    system.change({true, false, SoundServer::absent});
    expectTimeline({{1, "connecting s1 #2" + kNoServer}, {30, "connecting s1 #2" + kNoServer}});
    system.change(kOnline);
    expectTimeline({{0, "connecting s1 #3"}});
    connect();
    EXPECT_EQ(state(), "playing s1 #3");
    model->toggle();
    system.change({true, false, SoundServer::absent});
    system.change(kOnline);
    EXPECT_EQ(state(), "paused s1 #3");
    EXPECT_EQ(stats.ofType("station_start").size(), 1U);
    EXPECT_TRUE(stats.ofType("station_failed").empty());
}

}  // namespace quilvo::testing
