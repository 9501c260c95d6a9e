#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "player/player_model.hpp"
#include "support/fake_audio_player.hpp"
#include "support/fake_platform.hpp"
#include "support/manual_event_loop.hpp"
#include "support/recording_stats.hpp"
#include "support/temp_dir.hpp"

namespace quilvo::testing {

struct StationSpec {
    std::string id;
    std::string mood;
    bool active = true;
};

// calm has six stations, bright three, sleep one, energy none; "off" is inactive.
inline std::vector<StationSpec> defaultCatalogue() {
    return {{"c1", "calm"},   {"c2", "calm"},  {"c3", "calm"},        {"c4", "calm"},
            {"c5", "calm"},   {"c6", "calm"},  {"b1", "bright"},      {"b2", "bright"},
            {"b3", "bright"}, {"s1", "sleep"}, {"off", "calm", false}};
}

// A repository loaded from a catalogue file written for the test.
inline StationRepository repositoryOf(const std::vector<StationSpec>& specs) {
    const TempDir dir("quilvo-player");
    std::string stations;
    for (const StationSpec& s : specs) {
        stations += (stations.empty() ? "" : ",") + std::string(R"({"station_id":")") + s.id +
                    R"(","station_name":"Station )" + s.id +
                    R"(","stream_url":"http://127.0.0.1:9/)" + s.id + R"(","mood_ids":[")" +
                    s.mood + R"("],"primary_mood":")" + s.mood + R"(","active":)" +
                    (s.active ? "true" : "false") + "}";
    }
    std::ofstream(dir / "catalogue.json") << R"({"stations":[)" + stations + "]}";
    StationRepository repository(dir / "catalogue.json");
    EXPECT_FALSE(repository.loadError().has_value());
    return repository;
}

class PlayerTest : public ::testing::Test {
  protected:
    void SetUp() override { makeModel(defaultCatalogue()); }

    void makeModel(const std::vector<StationSpec>& catalogue) {
        PlayerServices services{
            loop, players, media, devices, stats, notifications, [this] { return rng(); }, &system};
        model = PlayerModel::create(services, repositoryOf(catalogue));
        notifications.addObserver(kQuilvoStateChanged, [this] { ++stateChanges; });
        model->setupRemoteCommands();
        model->installOutputDeviceWatcher();
        model->installSystemConditionWatcher();
    }

    void advance(double seconds) { loop.advance(Seconds(seconds)); }
    std::shared_ptr<FakeAudioPlayer> player() { return players.created.back().lock(); }
    std::string station() const { return model->currentStation()->id; }
    std::string_view phase() const { return phaseName(model->phase()); }

    // What the listener notices, in one line: phase, station (s1, s2, … in the order the
    // stations were first played), players made so far and the status text.
    std::string state() {
        std::string text(phase());
        if (model->currentStation()) {
            const auto first = std::ranges::find(players.urls, model->currentStation()->urlString);
            text += " s" + std::to_string(std::set(players.urls.begin(), first).size() + 1);
        }
        text += " #" + std::to_string(players.created.size());
        return model->statusText().empty() ? text : text + " " + model->statusText();
    }
    // Moves the clock on by each step's seconds and expects each step's state.
    void expectTimeline(const std::vector<std::pair<double, std::string>>& steps) {
        double elapsed = 0;
        for (const auto& [seconds, expected] : steps) {
            advance(seconds);
            EXPECT_EQ(state(), expected) << "after " << (elapsed += seconds) << " s";
        }
    }

    // The current player connects and plays.
    void connect() {
        player()->becomeReady();
        player()->startPlaying();
        loop.runUntilIdle();
    }
    // Choose `mood`, connect after half a second and let the fade-in finish.
    void playConnected(Mood mood) {
        model->playMood(mood);
        advance(0.5);
        connect();
        advance(0.5);
    }

    ManualEventLoop loop;
    FakeAudioPlayerFactory players;
    RecordingMediaSession media;
    FakeOutputDeviceMonitor devices;
    FakeSystemCondition system;
    RecordingStats stats;
    NotificationCenter notifications;
    std::mt19937_64 rng{20240501};
    std::shared_ptr<PlayerModel> model;
    int stateChanges = 0;
};

}  // namespace quilvo::testing
