#include "player/status_texts.hpp"
#include "player_fixture.hpp"

namespace quilvo::testing {
namespace {

using MediaIntegration = PlayerTest;

TEST_F(MediaIntegration, NowPlayingShowsTitleOrMoodAndTheRate) {
    EXPECT_EQ(media.registrations, 1);
    EXPECT_TRUE(media.history.empty());
    playConnected(Mood::calm);
    player()->deliverMetadata(std::vector<MetadataItem>{{"A", std::string(kCommonKeyTitle)}});
    loop.runUntilIdle();
    EXPECT_EQ(media.current(), (NowPlaying{"A", "静", 1.0}));
    model->toggle();
    EXPECT_EQ(media.current(), (NowPlaying{"A", "静", 0.0}));
}

TEST_F(MediaIntegration, RemoteCommandsFollowThePhase) {
    RemoteCommands& commands = media.commands;
    commands.nextTrack();  // no mood yet
    EXPECT_TRUE(players.created.empty());
    EXPECT_TRUE(stats.events.empty());

    playConnected(Mood::calm);
    commands.play();
    EXPECT_EQ(players.created.size(), 1U);
    commands.pause();
    EXPECT_EQ(phase(), "paused");
    commands.pause();
    EXPECT_EQ(phase(), "paused");
    commands.play();
    EXPECT_EQ(phase(), "connecting");
    commands.pause();
    EXPECT_EQ(phase(), "connecting");
    commands.togglePlayPause();
    EXPECT_EQ(phase(), "paused");
    commands.togglePlayPause();
    EXPECT_EQ(phase(), "connecting");
    const std::string before = station();
    commands.nextTrack();
    EXPECT_NE(station(), before);
    EXPECT_EQ(stats.ofType("station_skip").size(), 1U);
}

TEST_F(MediaIntegration, OutputDeviceChangePausesOnlyWhilePlaying) {
    model->playMood(Mood::calm);
    devices.change();
    loop.runUntilIdle();
    EXPECT_EQ(phase(), "connecting");

    connect();
    auto p = player();
    devices.change();
    EXPECT_EQ(phase(), "playing");  // the change is handled on the main queue
    loop.runUntilIdle();
    EXPECT_EQ(phase(), "paused");
    EXPECT_EQ(model->statusText(), kOutputChangedText);
    EXPECT_EQ(media.current()->playbackRate, 0.0);
    advance(0.2);
    EXPECT_EQ(p->pauseCalls, 1);

    devices.change();
    loop.runUntilIdle();
    EXPECT_EQ(model->statusText(), kOutputChangedText);
    model->toggle();
    EXPECT_EQ(phase(), "connecting");
    EXPECT_EQ(model->statusText(), "");
}

TEST_F(MediaIntegration, OutputDevicePauseStopsTheListeningClock) {
    playConnected(Mood::calm);  // listening from 0.5, now 1
    advance(60);
    devices.change();
    loop.runUntilIdle();
    advance(600);
    model->shutdown();
    const auto sessions = stats.ofType("session_duration");
    ASSERT_EQ(sessions.size(), 1U);
    EXPECT_NEAR(*sessions[0].minutes, 60.5 / 60, 1e-6);
}

}  // namespace
}  // namespace quilvo::testing
