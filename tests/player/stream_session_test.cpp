#include <algorithm>
#include <thread>

#include "player_fixture.hpp"

namespace quilvo::testing {

using StreamSession = PlayerTest;

using Items = std::vector<MetadataItem>;

TEST_F(StreamSession, MoodChoiceConnectsThenFadesInAndRecordsTheStart) {
    model->playMood(Mood::calm);
    auto p = player();
    EXPECT_EQ(stateChanges, 2);
    // Connecting at the fade-in's first step, so that its first audio is heard.
    ASSERT_EQ(p->volumes.size(), 1U);
    EXPECT_NEAR(p->volumes[0], 0.8 / 9, 0.01);
    EXPECT_EQ(media.current(), (NowPlaying{"Quilvo", "静", 1.0}));
    advance(1.25);
    std::thread([p] {
        p->becomeReady();
        p->startPlaying();
    }).join();
    EXPECT_EQ(phase(), "connecting");  // observers called on another thread only post
    loop.runUntilIdle();
    EXPECT_EQ(p->playCalls, 2);  // at the start and again once ready
    EXPECT_EQ(state(), "playing s1 #1");
    EXPECT_EQ(stateChanges, 3);
    EXPECT_EQ(stats.ofType("station_start"),
              (std::vector{Event{"station_start", "calm", station(), true, 1250, {}}}));

    // The first step at once, then 30 a second, 0.3 s up to 0.8, then no more.
    EXPECT_NEAR(p->volumes.back(), 0.8 / 9, 0.01);
    p->volumes.clear();
    advance(0.1);
    ASSERT_EQ(p->volumes.size(), 3U);
    EXPECT_NEAR(p->volumes.back(), 0.8 / 3, 0.01);
    advance(1.0);
    EXPECT_LE(p->volumes.size(), 11U);
    EXPECT_TRUE(std::is_sorted(p->volumes.begin(), p->volumes.end()));
    EXPECT_EQ(p->volumes.back(), 0.8F);
}

TEST_F(StreamSession, NewerStartIgnoresLateCallbacksAndFadesTheOldPlayerOut) {
    playConnected(Mood::calm);
    auto old = player();
    old->volumes.clear();
    // Reported before the skip, handled after it.
    old->stall();
    old->startPlaying();
    old->deliverMetadata(Items{{"Late", "title"}});
    old->fail();
    model->shuffleStation();
    loop.runUntilIdle();
    EXPECT_EQ(phase(), "connecting");
    EXPECT_EQ(model->songText(), std::nullopt);
    EXPECT_EQ(stats.events.back().type, "station_skip");  // no late start or failure
    EXPECT_EQ(old->liveObservations(), 0);

    advance(0.1);
    EXPECT_NEAR(old->volumes.at(0), 0.8 * (1 - (1.0 / 30) / 0.2), 0.01);
    EXPECT_EQ(old->pauseCalls, 0);
    advance(0.15);
    EXPECT_EQ(old->pauseCalls, 1);
    EXPECT_EQ(old->volume(), 0.8F);
    old.reset();
    advance(0.1);
    EXPECT_TRUE(players.created[0].expired());
}

// Each player is a stream in the sound server: a start cuts an older fade short, so a burst of
// commands never has more than the current player and one fade sounding, or alive.
TEST_F(StreamSession, ABurstOfStartsKeepsOneFadingPlayerBesideTheCurrentOne) {
    const auto count = [this](bool soundingOnly) {
        return std::ranges::count_if(players.created, [soundingOnly](const auto& weak) {
            const auto p = weak.lock();
            return p && (!soundingOnly || p->timeControlStatus() != TimeControlStatus::paused);
        });
    };
    playConnected(Mood::calm);
    for (int i = 0; i < 30; ++i) {
        i % 4 == 3 ? model->playMood(i % 8 == 3 ? Mood::bright : Mood::calm)
                   : model->shuffleStation();
        EXPECT_LE(count(true), 2) << "start " << i;
        if (i % 2 == 0) {
            connect();
        }
        advance(0.05);
        EXPECT_LE(count(false), 2) << "start " << i;
    }
    model->toggle();
    EXPECT_EQ(count(true), 1);
    advance(0.2);
    EXPECT_EQ(count(true), 0);
    EXPECT_EQ(count(false), 0);
    EXPECT_EQ(stats.ofType("station_skip").size() + stats.ofType("mood_selected").size(), 31U);
}

TEST_F(StreamSession, PauseDiscardsFirstAudioAlreadyReported) {
    model->playMood(Mood::calm);
    auto p = player();
    const float connecting = p->volumes.back();
    p->startPlaying();
    model->toggle();
    advance(1.0);
    EXPECT_EQ(phase(), "paused");
    EXPECT_TRUE(stats.ofType("station_start").empty());
    // No fade-in starts for audio reported before the pause.
    EXPECT_EQ(*std::max_element(p->volumes.begin(), p->volumes.end()), connecting);
}

TEST_F(StreamSession, SongTitlesBecomeSongTextAndNowPlaying) {
    playConnected(Mood::calm);
    auto p = player();
    p->deliverMetadata(Items{{"A", "title"}, {"B", "artist"}});
    loop.runUntilIdle();
    EXPECT_EQ(model->songText(), "A · B");
    EXPECT_EQ(media.current(), (NowPlaying{"A", "B", 1.0}));

    const auto published = media.history.size();
    p->deliverMetadata(Items{{"A", "title"}, {"B", "artist"}});
    loop.runUntilIdle();
    EXPECT_EQ(media.history.size(), published);

    p->deliverMetadata(Items{{"A", "title"}});
    loop.runUntilIdle();
    EXPECT_EQ(model->songText(), "A");

    // The next station carries no titles: its first, empty delivery clears the old ones.
    model->shuffleStation();
    loop.runUntilIdle();
    EXPECT_EQ(model->songText(), std::nullopt);
    EXPECT_EQ(media.current(), (NowPlaying{"Quilvo", "静", 1.0}));
}

}  // namespace quilvo::testing
