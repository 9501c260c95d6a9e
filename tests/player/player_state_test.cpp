#include "player/status_texts.hpp"
#include "player_fixture.hpp"

namespace quilvo::testing {

using PlayerState = PlayerTest;

TEST_F(PlayerState, ToggleWithoutMoodPlaysARandomOneAndClearsItsMessageLater) {
    EXPECT_EQ(loop.liveTimers(), 0);
    makeModel({{"b", "bright"}, {"c", "calm"}, {"e", "energy"}, {"s", "sleep"}});
    model->toggle();
    const std::string text =
        std::string(kRandomMoodPrefix) + std::string(model->currentMood().value().displayName());
    expectTimeline({{0, "connecting s1 #1 " + text},
                    {3.9, "connecting s1 #1 " + text},
                    {0.1, "connecting s1 #1"}});

    model->toggle();
    model->toggle();  // paused, then a random mood again: its message
    model->setStatusText("other");
    advance(4);
    EXPECT_EQ(model->statusText(), "other");
}

TEST_F(PlayerState, ShutdownStopsAtOnceAndFlushesTheStatistics) {
    playConnected(Mood::calm);
    auto p = player();
    const int changes = stateChanges;
    model->setSleep(15);
    model->shutdown();
    EXPECT_EQ(p->pauseCalls, 1);
    EXPECT_EQ(p->liveObservations(), 0);
    EXPECT_EQ(media.current(), std::nullopt);
    EXPECT_EQ(stateChanges, changes);
    EXPECT_EQ(loop.liveTimers(), 0);
}

TEST_F(PlayerState, DestroyedModelIgnoresEverythingStillPending) {
    playConnected(Mood::calm);
    model->shuffleStation();  // the old player fades out
    auto old = players.created[0].lock();
    player()->startPlaying();  // posted, not yet handled
    model->setSleep(1);
    model->toggle();
    model->toggle();
    model->playMood(Mood::bright);
    auto last = player();
    last->startPlaying();
    std::weak_ptr<PlayerModel> weak = model;
    model.reset();
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(last->liveObservations(), 0);

    last->deliverMetadata(std::vector<MetadataItem>{{"T", std::string(kCommonKeyTitle)}});
    last->fail();
    devices.change();
    for (const auto& command : {media.commands.togglePlayPause, media.commands.play,
                                media.commands.pause, media.commands.nextTrack}) {
        command();
    }
    advance(120);
    EXPECT_EQ(old->pauseCalls, 1);
    EXPECT_EQ(loop.liveTimers(), 0);
    EXPECT_EQ(players.created.size(), 4U);
}

}  // namespace quilvo::testing
