#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/audio_player.hpp"

namespace quilvo::testing {

// Watches a player through its three observations, remembering what each callback saw, and
// lets a test wait for a condition that is re-checked on every callback.
class PlayerProbe {
  public:
    using Clock = std::chrono::steady_clock;

    struct Event {
        Clock::time_point at;
        ItemStatus item;
        TimeControlStatus control;
    };

    explicit PlayerProbe(std::shared_ptr<AudioPlayer> player) : player_(std::move(player)) {
        item_ = player_->observeItemStatus([this] { record(); });
        metadata_ = player_->observeTimedMetadata([this] {
            std::lock_guard lock(mutex_);
            ++metadataCalls_;
            changed_.notify_all();
        });
        control_ = player_->observeTimeControlStatus([this] { record(); });
    }

    ~PlayerProbe() {
        item_->invalidate();
        metadata_->invalidate();
        control_->invalidate();
    }

    AudioPlayer& player() { return *player_; }

    // Waits until `condition` holds, at most `timeout`; its last value.
    bool waitFor(const std::function<bool(AudioPlayer&)>& condition,
                 std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        const auto deadline = Clock::now() + timeout;
        while (!condition(*player_)) {
            if (changed_.wait_until(lock, std::min(deadline, Clock::now() + kRecheck)) ==
                    std::cv_status::timeout &&
                Clock::now() >= deadline) {
                return condition(*player_);
            }
        }
        return true;
    }

    bool waitForControl(TimeControlStatus status, std::chrono::milliseconds timeout) {
        return waitFor([status](AudioPlayer& p) { return p.timeControlStatus() == status; },
                       timeout);
    }

    bool waitForItem(ItemStatus status, std::chrono::milliseconds timeout) {
        return waitFor([status](AudioPlayer& p) { return p.itemStatus() == status; }, timeout);
    }

    std::vector<Event> events() {
        std::lock_guard lock(mutex_);
        return events_;
    }

    int metadataCalls() {
        std::lock_guard lock(mutex_);
        return metadataCalls_;
    }

    // Whether any status callback saw `status` after `since`.
    bool sawControl(TimeControlStatus status, Clock::time_point since = {}) {
        std::lock_guard lock(mutex_);
        for (const auto& event : events_) {
            if (event.at >= since && event.control == status) {
                return true;
            }
        }
        return false;
    }

  private:
    static constexpr std::chrono::milliseconds kRecheck{50};

    void record() {
        std::lock_guard lock(mutex_);
        events_.push_back({Clock::now(), player_->itemStatus(), player_->timeControlStatus()});
        changed_.notify_all();
    }

    std::shared_ptr<AudioPlayer> player_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Event> events_;
    int metadataCalls_ = 0;
    std::unique_ptr<Observation> item_;
    std::unique_ptr<Observation> metadata_;
    std::unique_ptr<Observation> control_;
};

}  // namespace quilvo::testing
