#include <set>

#include "player/status_texts.hpp"
#include "player_fixture.hpp"

namespace quilvo::testing {

using Selection = PlayerTest;

TEST_F(Selection, SkippingDealsEveryStationOncePerCycleAndNeverRepeatsAtTheBoundary) {
    makeModel({{"a", "calm"}, {"b", "calm"}, {"c", "calm"}});
    model->playMood(Mood::calm);
    std::vector<std::string> order{station()};
    for (int i = 0; i < 299; ++i) {
        const std::string playing = station();
        model->shuffleStation();
        EXPECT_EQ(stats.events.back().stationId, playing);
        order.push_back(station());
    }
    for (std::size_t cycle = 0; cycle < order.size(); cycle += 3) {
        EXPECT_EQ(std::set<std::string>(order.begin() + cycle, order.begin() + cycle + 3).size(),
                  3U);
    }
    for (std::size_t i = 1; i < order.size(); ++i) {
        EXPECT_NE(order[i], order[i - 1]) << "draw " << i;
    }
    EXPECT_EQ(stats.ofType("station_skip").size(), 299U);
}

TEST_F(Selection, MoodQueuesLastAcrossMoodChanges) {
    std::set<std::string> calm;
    model->playMood(Mood::calm);
    for (int i = 0; i < 6; ++i) {
        calm.insert(station());
        if (i == 1) {
            model->playMood(Mood::bright);
            model->playMood(Mood::calm);
        } else {
            model->shuffleStation();
        }
    }
    EXPECT_EQ(calm.size(), 6U);
}

TEST_F(Selection, MoodWithoutStationsSaysSoAndKeepsPlaying) {
    playConnected(Mood::calm);
    model->playMood(Mood::energy);
    EXPECT_EQ(state(), "playing s1 #1 " + std::string(kNoStationText));
    EXPECT_EQ(model->currentMood(), Mood::energy);
    EXPECT_EQ(stats.events.back(), (Event{"mood_selected", "energy", {}, {}, {}, {}}));
}

TEST_F(Selection, SwitchingMoodReportsTheListeningTimeOfTheMoodLeft) {
    playConnected(Mood::calm);  // listening from 0.5, now 1
    advance(28.5);
    model->playMood(Mood::bright);  // 29 s: too short to report
    EXPECT_TRUE(stats.ofType("session_duration").empty());
    advance(0.5);
    connect();  // listening again from 30
    advance(15);
    model->playMood(Mood::bright);  // the same mood keeps the session and its clock
    advance(0.5);
    connect();
    advance(14.5);
    model->playMood(Mood::calm);
    EXPECT_EQ(stats.ofType("session_duration"),
              (std::vector{Event{"session_duration", "bright", {}, {}, {}, 0.5}}));
    EXPECT_EQ(stats.ofType("mood_selected").size(), 4U);
}

// A, B and C fail a second apart; a listener's request then tries the one out longest, and an
// automatic attempt takes a station again only half an hour after it failed.
TEST_F(Selection, FailedStationsAreOutForHalfAnHourButARequestTriesTheOneOutLongest) {
    const std::string giveUp = " " + std::string(kGiveUpText);
    model->playMood(Mood::bright);
    for (int i = 0; i < 3; ++i) {
        advance(1);
        player()->fail();
        loop.runUntilIdle();
    }
    EXPECT_EQ(state(), "idle #3" + giveUp);
    advance(60);
    model->playMood(Mood::bright);
    EXPECT_EQ(state(), "connecting s1 #4");
    connect();
    advance(1801.9 - 63);
    player()->fail();  // B failed 1799.9 s ago: still out
    loop.runUntilIdle();
    EXPECT_EQ(state(), "idle #4" + giveUp);
    model->toggle();
    EXPECT_EQ(state(), "connecting s2 #5");
    advance(1.6);
    player()->fail();  // C failed 1800.5 s ago: drawn again
    loop.runUntilIdle();
    EXPECT_EQ(state(), "connecting s3 #6");
    EXPECT_EQ(stats.ofType("station_failed").size(), 5U);
}

}  // namespace quilvo::testing
