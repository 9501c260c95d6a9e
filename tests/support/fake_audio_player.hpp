#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/audio_player.hpp"

namespace quilvo::testing {

// A player the test drives: it decides when the item becomes ready or fails, when audio starts
// or stalls and what metadata arrives. Observers are called on the calling thread.
class FakeAudioPlayer : public AudioPlayer {
  public:
    explicit FakeAudioPlayer(std::string url) : url(std::move(url)) {}

    void play() override {
        ++playCalls;
        if (status_ == TimeControlStatus::paused) {
            set(status_, TimeControlStatus::waitingToPlay, kStatus);
        }
    }
    void pause() override {
        ++pauseCalls;
        set(status_, TimeControlStatus::paused, kStatus);
    }
    float volume() const override { return volume_; }
    void setVolume(float volume) override { volumes.push_back(volume_ = volume); }
    ItemStatus itemStatus() const override { return item_; }
    TimeControlStatus timeControlStatus() const override { return status_; }
    std::optional<std::vector<MetadataItem>> timedMetadata() const override { return metadata_; }

    std::unique_ptr<Observation> observeItemStatus(std::function<void()> changed) override {
        return watch(kItem, std::move(changed));
    }
    std::unique_ptr<Observation> observeTimedMetadata(std::function<void()> changed) override {
        auto observation = watch(kMetadata, changed);
        changed();
        return observation;
    }
    std::unique_ptr<Observation> observeTimeControlStatus(std::function<void()> changed) override {
        return watch(kStatus, std::move(changed));
    }

    // Scripted events.
    void becomeReady() { set(item_, ItemStatus::readyToPlay, kItem); }
    void fail() { set(item_, ItemStatus::failed, kItem); }
    void startPlaying() { set(status_, TimeControlStatus::playing, kStatus); }
    void stall() { set(status_, TimeControlStatus::waitingToPlay, kStatus); }
    void deliverMetadata(std::optional<std::vector<MetadataItem>> items) {
        set(metadata_, std::move(items), kMetadata);
    }

    // Observations registered and not invalidated.
    int liveObservations() const {
        return static_cast<int>(
            std::ranges::count_if(watchers_, [](const auto& w) { return *w.alive; }));
    }

    const std::string url;
    std::vector<float> volumes;
    int playCalls = 0;
    int pauseCalls = 0;

  private:
    enum Kind { kItem, kMetadata, kStatus };
    struct Watcher {
        Kind kind;
        std::shared_ptr<bool> alive;
        std::function<void()> changed;
    };
    struct FakeObservation : Observation {
        explicit FakeObservation(std::shared_ptr<bool> alive) : alive(std::move(alive)) {}
        void invalidate() override { *alive = false; }
        std::shared_ptr<bool> alive;
    };

    std::unique_ptr<Observation> watch(Kind kind, std::function<void()> changed) {
        watchers_.push_back({kind, std::make_shared<bool>(true), std::move(changed)});
        return std::make_unique<FakeObservation>(watchers_.back().alive);
    }
    template <class T>
    void set(T& field, T value, Kind kind) {
        field = std::move(value);
        for (const auto& watcher : std::vector<Watcher>(watchers_)) {
            if (watcher.kind == kind && *watcher.alive) {
                watcher.changed();
            }
        }
    }

    float volume_ = 1.0F;
    ItemStatus item_ = ItemStatus::unknown;
    TimeControlStatus status_ = TimeControlStatus::paused;
    std::optional<std::vector<MetadataItem>> metadata_;
    std::vector<Watcher> watchers_;
};

// Records every player it makes; the records do not keep the players alive.
struct FakeAudioPlayerFactory : AudioPlayerFactory {
    std::shared_ptr<AudioPlayer> create(const std::string& url) override {
        auto player = std::make_shared<FakeAudioPlayer>(url);
        created.push_back(player);
        urls.push_back(url);
        return player;
    }

    std::vector<std::weak_ptr<FakeAudioPlayer>> created;
    std::vector<std::string> urls;
};

}  // namespace quilvo::testing
