#include "player/status_texts.hpp"
#include "player_fixture.hpp"

namespace quilvo::testing {
namespace {

using Watchdog = PlayerTest;

TEST_F(Watchdog, FailedItemIsExcludedAndTheNextStationStarts) {
    model->playMood(Mood::calm);
    const std::string failed = station();
    player()->fail();
    loop.runUntilIdle();
    const auto events = stats.ofType("station_failed");
    ASSERT_EQ(events.size(), 1U);
    EXPECT_EQ(events[0].mood, "calm");
    EXPECT_EQ(events[0].stationId, failed);
    EXPECT_EQ(events[0].ok, false);
    EXPECT_EQ(phase(), "connecting");
    EXPECT_NE(station(), failed);
    for (int i = 0; i < 12; ++i) {
        model->shuffleStation();
        EXPECT_NE(station(), failed);
    }
}

TEST_F(Watchdog, ConnectTimesOutAfterEightSeconds) {
    model->playMood(Mood::calm);
    const std::string slow = station();
    advance(7.9);
    EXPECT_EQ(station(), slow);
    advance(0.1);
    EXPECT_NE(station(), slow);
    EXPECT_EQ(players.created.size(), 2U);
    EXPECT_TRUE(stats.ofType("station_failed").empty());
}

TEST_F(Watchdog, StallReconnectsAtOneAndThreeSecondsThenFailsOverAtTen) {
    playConnected(Mood::calm);  // now t = 1
    const std::string stalled = station();
    player()->stall();
    advance(1.9);  // the beat at 2 notices the stall
    EXPECT_EQ(players.created.size(), 1U);
    advance(0.1);
    EXPECT_EQ(players.created.size(), 2U);
    EXPECT_EQ(station(), stalled);
    EXPECT_EQ(phase(), "connecting");
    advance(1.9);
    EXPECT_EQ(players.created.size(), 2U);
    advance(0.1);
    EXPECT_EQ(players.created.size(), 3U);
    advance(6.9);
    EXPECT_EQ(players.created.size(), 3U);
    EXPECT_EQ(station(), stalled);
    advance(0.1);  // ten seconds after the stall was noticed
    EXPECT_EQ(players.created.size(), 4U);
    EXPECT_NE(station(), stalled);
    EXPECT_EQ(stats.ofType("station_start").size(), 1U);
}

TEST_F(Watchdog, StallThatHealsNeedsNoReconnectAndALaterStallStartsAfresh) {
    playConnected(Mood::calm);  // t = 1
    auto p = player();
    p->stall();
    advance(1.5);  // noticed at 2
    p->startPlaying();
    advance(3.0);
    EXPECT_EQ(players.created.size(), 1U);
    p->stall();  // t = 5.5, noticed at 6
    advance(1.4);
    EXPECT_EQ(players.created.size(), 1U);
    advance(0.6);
    EXPECT_EQ(players.created.size(), 2U);
}

TEST_F(Watchdog, ReconnectedStreamPlaysAgainWithoutASecondStart) {
    playConnected(Mood::calm);
    player()->stall();
    advance(2.0);
    ASSERT_EQ(players.created.size(), 2U);
    connect();
    EXPECT_EQ(phase(), "playing");
    advance(0.5);
    EXPECT_EQ(player()->volume(), 0.8F);
    EXPECT_EQ(media.current()->playbackRate, 1.0);
    EXPECT_EQ(stats.ofType("station_start").size(), 1U);
    advance(20);
    EXPECT_EQ(players.created.size(), 2U);
}

// The round of the first connection closed long ago: the failed reconnect opens a new one.
TEST_F(Watchdog, ReconnectThatFailsAfterLongPlayMovesToTheNextStation) {
    playConnected(Mood::calm);
    const std::string died = station();
    advance(60);
    player()->stall();
    advance(2.0);  // noticed at 62, reconnected at 63
    ASSERT_EQ(players.created.size(), 2U);
    player()->fail();
    loop.runUntilIdle();
    EXPECT_EQ(phase(), "connecting");
    EXPECT_NE(station(), died);
    EXPECT_EQ(players.created.size(), 3U);
    EXPECT_EQ(model->statusText(), "");
}

TEST_F(Watchdog, AutomaticAttemptsStopAfterThreeMoreStations) {
    model->playMood(Mood::calm);
    for (int i = 0; i < 4; ++i) {
        player()->fail();
        loop.runUntilIdle();
    }
    EXPECT_EQ(players.created.size(), 4U);
    EXPECT_EQ(phase(), "idle");
    EXPECT_EQ(model->currentStation(), std::nullopt);
    EXPECT_EQ(model->currentMood(), Mood::calm);
    EXPECT_EQ(model->statusText(), kGiveUpText);
    EXPECT_EQ(media.current(), std::nullopt);

    // The listener's next try is a new round over the stations left.
    model->toggle();
    EXPECT_EQ(phase(), "connecting");
    EXPECT_EQ(model->statusText(), "");
}

TEST_F(Watchdog, AutomaticAttemptsShareTheRoundDeadline) {
    model->playMood(Mood::calm);
    advance(24.9);  // timeouts at 8, 16 and 24 each start another station
    EXPECT_EQ(players.created.size(), 4U);
    EXPECT_EQ(phase(), "connecting");
    advance(0.1);
    EXPECT_EQ(phase(), "idle");
    EXPECT_EQ(players.created.size(), 4U);
}

TEST_F(Watchdog, MachineSleptThroughTheRoundGivesUpAndTakesTheLastPlayerOut) {
    model->playMood(Mood::calm);
    auto last = player();
    advance(2.0);
    loop.sleepMachine(Seconds(30));
    ASSERT_EQ(phase(), "idle");
    EXPECT_EQ(players.created.size(), 1U);
    EXPECT_EQ(model->statusText(), kGiveUpText);
    last->startPlaying();
    advance(0.5);
    EXPECT_EQ(phase(), "idle");
    EXPECT_EQ(last->pauseCalls, 1);
    EXPECT_EQ(last->liveObservations(), 0);
}

}  // namespace
}  // namespace quilvo::testing
