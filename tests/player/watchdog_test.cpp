#include <algorithm>

#include "player/status_texts.hpp"
#include "player_fixture.hpp"

namespace quilvo::testing {

using Watchdog = PlayerTest;
const std::string kGaveUp = "idle #4 " + std::string(kGiveUpText);

TEST_F(Watchdog, ConnectTimesOutAfterEightSecondsAndEachRoundEndsAfterTwentyFive) {
    model->playMood(Mood::calm);
    // Timeouts at 8, 16 and 24 each start another station; the round ends at 25.
    expectTimeline({{7.9, "connecting s1 #1"},
                    {0.1, "connecting s2 #2"},
                    {16, "connecting s4 #4"},
                    {0.9, "connecting s4 #4"},
                    {0.1, kGaveUp}});
    EXPECT_TRUE(stats.ofType("station_failed").empty());
}

// A stall that heals needs no reconnect; a later one starts the count afresh from its notice.
TEST_F(Watchdog, StallReconnectsOneAndThreeSecondsAfterItIsNoticedThenFailsOverAtTen) {
    playConnected(Mood::calm);  // t = 1
    auto p = player();
    p->stall();
    advance(1.5);  // noticed at 2
    p->startPlaying();
    advance(3.0);
    p->stall();  // t = 5.5, noticed at 6
    expectTimeline({{1.4, "playing s1 #1"},
                    {0.1, "connecting s1 #2"},
                    {1.9, "connecting s1 #2"},
                    {0.1, "connecting s1 #3"},
                    {6.9, "connecting s1 #3"},
                    {0.1, "connecting s2 #4"}});
    EXPECT_EQ(stats.ofType("station_start").size(), 1U);
}

// The round of the first connection closed long ago: the failed reconnect opens a new one.
// (That a reconnect that plays is heard again at full volume, the lab's reconnect test shows.)
TEST_F(Watchdog, ReconnectPlaysAgainAndOneThatFailsAfterLongPlayMovesToTheNextStation) {
    playConnected(Mood::calm);
    player()->stall();
    advance(2.0);
    connect();
    advance(0.5);
    EXPECT_EQ(media.current()->playbackRate, 1.0);
    expectTimeline({{20, "playing s1 #2"}});
    advance(40);
    player()->stall();
    expectTimeline({{2.0, "connecting s1 #3"}});
    player()->fail();
    expectTimeline({{0, "connecting s2 #4"}});
}

TEST_F(Watchdog, FailedStationsAreExcludedAndAutomaticAttemptsStopAfterThreeMore) {
    model->playMood(Mood::calm);
    std::vector<std::string> failed;
    for (int i = 0; i < 4; ++i) {
        failed.push_back(station());
        player()->fail();
        loop.runUntilIdle();
    }
    EXPECT_EQ(stats.ofType("station_failed").size(), 4U);
    EXPECT_EQ(stats.ofType("station_failed")[0],
              (Event{"station_failed", "calm", failed[0], false, {}, {}}));
    EXPECT_EQ(state(), kGaveUp);
    EXPECT_EQ(model->currentMood(), Mood::calm);
    model->toggle();  // the listener's next try is a new round over the stations left
    EXPECT_EQ(state(), "connecting s5 #5");
    for (int i = 0; i < 12; ++i) {
        model->shuffleStation();
        EXPECT_EQ(std::ranges::count(failed, station()), 0);
    }
}

TEST_F(Watchdog, MachineSleptThroughTheRoundGivesUpAndTakesTheLastPlayerOut) {
    model->playMood(Mood::calm);
    auto last = player();
    advance(2.0);
    loop.sleepMachine(Seconds(30));
    EXPECT_EQ(state(), "idle #1 " + std::string(kGiveUpText));
    last->startPlaying();
    advance(0.5);
    EXPECT_EQ(phase(), "idle");
    EXPECT_EQ(last->pauseCalls, 1);
    EXPECT_EQ(last->liveObservations(), 0);
}

}  // namespace quilvo::testing
