#include <algorithm>

#include "player_fixture.hpp"

namespace quilvo::testing {

using SleepTimer = PlayerTest;

// Changes are announced before every store, even of an equal value.
TEST_F(SleepTimer, ChangesAreAnnouncedAndTheTextCountsWholeMinutesThenSaysUnderOneMinute) {
    std::vector<std::string> seen;
    model->objectWillChange().subscribe([&] { seen.push_back(model->statusText()); });
    model->setStatusText("a");
    model->setStatusText("a");
    EXPECT_EQ(seen, (std::vector<std::string>{"", "a"}));
    model->setSleep(30);
    EXPECT_TRUE(model->sleepActive());
    EXPECT_EQ(model->sleepRemainText(), "还剩 30 分钟");
    advance(1740);  // 60 s left
    EXPECT_EQ(model->sleepRemainText(), "还剩 1 分钟");
    EXPECT_EQ(seen.size(), 32U);  // once at arming, then once a minute
    advance(0.25);
    EXPECT_EQ(model->sleepRemainText(), "不足 1 分钟");
    seen.clear();
    model->setSleep(1);
    EXPECT_EQ(model->sleepRemainText(), "还剩 1 分钟");
    EXPECT_EQ(seen.size(), 1U);
}

TEST_F(SleepTimer, FadesOverTheLastTwentySecondsThenResetsTheModel) {
    playConnected(Mood::calm);
    auto p = player();
    const int changes = stateChanges;
    model->setSleep(1);
    advance(50);
    EXPECT_EQ(p->volume(), 0.4F);
    advance(10);
    EXPECT_EQ(state(), "idle #1");
    EXPECT_EQ(model->currentMood(), std::nullopt);
    EXPECT_EQ(model->sleepRemainText(), std::nullopt);
    EXPECT_FALSE(model->sleepActive());
    EXPECT_EQ(media.current(), std::nullopt);
    EXPECT_EQ(stateChanges, changes + 2);
    EXPECT_EQ(p->pauseCalls, 1);
    EXPECT_EQ(p->liveObservations(), 0);
    EXPECT_EQ(loop.liveTimers(), 1);  // the beat
}

TEST_F(SleepTimer, NewStationFollowsTheFadeAndCancellingOrArmingAgainRestoresTheVolume) {
    playConnected(Mood::calm);
    model->setSleep(1);
    advance(55);
    EXPECT_NEAR(player()->volume(), 0.2, 1e-6);
    model->setSleep(0);
    EXPECT_EQ(player()->volume(), 0.8F);
    EXPECT_FALSE(model->sleepActive());
    EXPECT_EQ(model->sleepRemainText(), std::nullopt);
    EXPECT_EQ(loop.liveTimers(), 2);
    advance(0.25);
    EXPECT_EQ(loop.liveTimers(), 1);  // the tick stopped itself

    model->setSleep(1);
    advance(50);
    EXPECT_EQ(player()->volume(), 0.4F);
    model->shuffleStation();  // a station starting now comes in no louder than the fade
    advance(0.5);
    connect();
    advance(0.5);
    const auto& volumes = player()->volumes;
    EXPECT_LE(*std::max_element(volumes.begin(), volumes.end()), 0.4F);
    EXPECT_NEAR(volumes.back(), 0.8 * 9 / 20, 0.01);
    model->setSleep(15);
    EXPECT_EQ(player()->volume(), 0.8F);
}

// NTP after a resume, or the listener setting the clock: durations do not notice.
TEST_F(SleepTimer, SteppingTheWallClockMovesNoDeadline) {
    model->setSleep(15);
    model->playMood(Mood::calm);
    loop.stepWallClock(Seconds(-3600));
    advance(4);
    loop.stepWallClock(Seconds(7200));
    expectTimeline({{3.9, "connecting s1 #1"}, {0.1, "connecting s2 #2"}});
    EXPECT_EQ(model->sleepRemainText(), "还剩 15 分钟");
    advance(0.5);
    connect();
    loop.stepWallClock(Seconds(-7200));
    advance(0.35);
    EXPECT_FLOAT_EQ(player()->volume(), 0.8F);  // the fade-in took its 0.3 s
    advance(899.9 - 8.85);
    EXPECT_EQ(phase(), "playing");
    advance(0.25);
    EXPECT_EQ(phase(), "idle");
}

}  // namespace quilvo::testing
