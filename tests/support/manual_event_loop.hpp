#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/event_loop.hpp"

namespace quilvo::testing {

// An event loop on a virtual clock. Time moves only when the test says so; timers and posted
// work then run in deadline order, work posted for the same instant in posting order.
class ManualEventLoop : public EventLoop {
  public:
    // Starts at a fixed, realistic wall-clock instant.
    ManualEventLoop() : now_(std::chrono::sys_days{std::chrono::year{2024} / 5 / 1}) {}

    Instant now() const override {
        std::lock_guard lock(mutex_);
        return now_;
    }

    void post(std::function<void()> work) override { postAfter(Seconds(0), std::move(work)); }

    void postAfter(Seconds delay, std::function<void()> work) override {
        std::lock_guard lock(mutex_);
        queue_.emplace(Key{now_ + ticks(delay), seq_++}, Entry{std::move(work), nullptr, {}, {}});
    }

    std::shared_ptr<Timer> scheduleRepeating(Seconds interval,
                                             std::function<void(Timer&)> tick) override {
        auto timer = std::make_shared<ManualTimer>();
        std::lock_guard lock(mutex_);
        queue_.emplace(Key{now_ + ticks(interval), seq_++},
                       Entry{{}, timer, ticks(interval), std::move(tick)});
        return timer;
    }

    // Moves the clock forward by `span`, running everything that falls due on the way.
    void advance(Seconds span) {
        const Instant end = now() + ticks(span);
        while (runNext(end)) {
        }
        std::lock_guard lock(mutex_);
        now_ = std::max(now_, end);
    }

    // Runs what is due now, including work posted meanwhile.
    void runUntilIdle() { advance(Seconds(0)); }

    // The machine slept: the clock jumps without anything running in between; each timer that
    // missed firings then fires once.
    void sleepMachine(Seconds span) {
        {
            std::lock_guard lock(mutex_);
            now_ = now_ + ticks(span);
        }
        runUntilIdle();
    }

    // Timers scheduled and not invalidated.
    int liveTimers() const {
        std::lock_guard lock(mutex_);
        int count = 0;
        for (const auto& [key, entry] : queue_) {
            count += entry.timer && entry.timer->isValid() ? 1 : 0;
        }
        return count;
    }

  private:
    class ManualTimer : public Timer {
      public:
        void invalidate() override { valid_ = false; }
        bool isValid() const override { return valid_; }

      private:
        bool valid_ = true;
    };

    using Ticks = std::chrono::system_clock::duration;

    // Rounded, so that 0.1 + 0.2 s of steps lands where 0.3 s does.
    static Ticks ticks(Seconds span) { return std::chrono::round<Ticks>(span); }

    struct Key {
        Instant due;
        std::uint64_t seq;
        friend auto operator<=>(const Key&, const Key&) = default;
    };

    struct Entry {
        std::function<void()> work;
        std::shared_ptr<ManualTimer> timer;
        Ticks interval;
        std::function<void(Timer&)> tick;
    };

    bool runNext(Instant end) {
        std::unique_lock lock(mutex_);
        if (queue_.empty() || queue_.begin()->first.due > end) {
            return false;
        }
        auto node = queue_.extract(queue_.begin());
        now_ = std::max(now_, node.key().due);
        Entry entry = std::move(node.mapped());
        lock.unlock();
        if (!entry.timer) {
            entry.work();
            return true;
        }
        if (!entry.timer->isValid()) {
            return true;
        }
        entry.tick(*entry.timer);
        if (entry.timer->isValid()) {
            lock.lock();
            Instant next = node.key().due + entry.interval;
            // Missed firings are skipped, as a run loop does after a sleep.
            if (next <= now_) {
                next = now_ + entry.interval;
            }
            queue_.emplace(Key{next, seq_++}, std::move(entry));
        }
        return true;
    }

    mutable std::mutex mutex_;
    Instant now_;
    std::uint64_t seq_ = 0;
    std::map<Key, Entry> queue_;
};

}  // namespace quilvo::testing
