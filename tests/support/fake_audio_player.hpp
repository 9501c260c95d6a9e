#pragma once

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
            setTimeControl(TimeControlStatus::waitingToPlay);
        }
    }
    void pause() override {
        ++pauseCalls;
        setTimeControl(TimeControlStatus::paused);
    }
    float volume() const override { return volume_; }
    void setVolume(float volume) override {
        volume_ = volume;
        volumes.push_back(volume);
    }
    ItemStatus itemStatus() const override { return item_; }
    TimeControlStatus timeControlStatus() const override { return status_; }
    std::optional<std::vector<MetadataItem>> timedMetadata() const override { return metadata_; }

    std::unique_ptr<Observation> observeItemStatus(std::function<void()> changed) override {
        return watch(itemWatchers_, std::move(changed));
    }
    std::unique_ptr<Observation> observeTimedMetadata(std::function<void()> changed) override {
        auto observation = watch(metadataWatchers_, changed);
        changed();
        return observation;
    }
    std::unique_ptr<Observation> observeTimeControlStatus(std::function<void()> changed) override {
        return watch(statusWatchers_, std::move(changed));
    }

    // Scripted events.
    void becomeReady() { setItem(ItemStatus::readyToPlay); }
    void fail() { setItem(ItemStatus::failed); }
    void startPlaying() { setTimeControl(TimeControlStatus::playing); }
    void stall() { setTimeControl(TimeControlStatus::waitingToPlay); }
    void deliverMetadata(std::optional<std::vector<MetadataItem>> items) {
        metadata_ = std::move(items);
        notify(metadataWatchers_);
    }

    // Observations registered and not invalidated.
    int liveObservations() const {
        int count = 0;
        for (const auto* list : {&itemWatchers_, &metadataWatchers_, &statusWatchers_}) {
            for (const auto& watcher : *list) {
                count += *watcher.alive ? 1 : 0;
            }
        }
        return count;
    }

    const std::string url;
    std::vector<float> volumes;
    int playCalls = 0;
    int pauseCalls = 0;

  private:
    struct Watcher {
        std::shared_ptr<bool> alive;
        std::function<void()> changed;
    };

    class FakeObservation : public Observation {
      public:
        explicit FakeObservation(std::shared_ptr<bool> alive) : alive_(std::move(alive)) {}
        void invalidate() override { *alive_ = false; }

      private:
        std::shared_ptr<bool> alive_;
    };

    static std::unique_ptr<Observation> watch(std::vector<Watcher>& list,
                                              std::function<void()> changed) {
        auto alive = std::make_shared<bool>(true);
        list.push_back({alive, std::move(changed)});
        return std::make_unique<FakeObservation>(alive);
    }
    static void notify(const std::vector<Watcher>& list) {
        for (const auto& watcher : std::vector<Watcher>(list)) {
            if (*watcher.alive) {
                watcher.changed();
            }
        }
    }
    void setItem(ItemStatus status) {
        item_ = status;
        notify(itemWatchers_);
    }
    void setTimeControl(TimeControlStatus status) {
        status_ = status;
        notify(statusWatchers_);
    }

    float volume_ = 1.0F;
    ItemStatus item_ = ItemStatus::unknown;
    TimeControlStatus status_ = TimeControlStatus::paused;
    std::optional<std::vector<MetadataItem>> metadata_;
    std::vector<Watcher> itemWatchers_;
    std::vector<Watcher> metadataWatchers_;
    std::vector<Watcher> statusWatchers_;
};

// Records every player it makes; the records do not keep the players alive.
class FakeAudioPlayerFactory : public AudioPlayerFactory {
  public:
    std::shared_ptr<AudioPlayer> create(const std::string& url) override {
        auto player = std::make_shared<FakeAudioPlayer>(url);
        created.push_back(player);
        urls.push_back(url);
        return player;
    }

    // The most recent player; the test keeps it alive while it holds the result.
    std::shared_ptr<FakeAudioPlayer> last() const { return created.back().lock(); }

    std::vector<std::weak_ptr<FakeAudioPlayer>> created;
    std::vector<std::string> urls;
};

}  // namespace quilvo::testing
