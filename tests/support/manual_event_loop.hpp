#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>

#include "platform/event_loop.hpp"

namespace quilvo::testing {

// An event loop on a virtual clock. Time moves only when the test says so; timers and posted
// work then run in deadline order, work posted for the same instant in posting order. It also
// keeps a wall clock that moves with it and that the test can step, as NTP does.
// One thread at a time: a test that posts from another thread joins it before going on.
class ManualEventLoop : public EventLoop {
  public:
    Instant now() const override { return now_; }
    void post(std::function<void()> work) override { postAfter(Seconds(0), std::move(work)); }
    void postAfter(Seconds delay, std::function<void()> work) override {
        schedule(now(), ticks(delay), {nullptr, {}, [work = std::move(work)](Timer&) { work(); }});
    }
    std::shared_ptr<Timer> scheduleRepeating(Seconds interval,
                                             std::function<void(Timer&)> tick) override {
        auto timer = std::make_shared<ManualTimer>();
        schedule(now(), ticks(interval), {timer, ticks(interval), std::move(tick)});
        return timer;
    }

    // Moves the clock forward by `span`, running everything that falls due on the way.
    void advance(Seconds span) {
        const Instant end = now() + ticks(span);
        while (runNext(end)) {
        }
        now_ = std::max(now_, end);
    }
    // Runs what is due now, including work posted meanwhile.
    void runUntilIdle() { advance(Seconds(0)); }
    // The machine slept: the clock jumps without anything running in between; each timer that
    // missed firings then fires once.
    void sleepMachine(Seconds span) {
        now_ += ticks(span);
        runUntilIdle();
    }
    WallInstant wallNow() const {
        return wallAtStart_ + std::chrono::duration_cast<WallInstant::duration>(now_ - start_);
    }
    // Sets the wall clock forward (or back, for a negative span) without moving time.
    void stepWallClock(Seconds span) {
        wallAtStart_ += std::chrono::duration_cast<WallInstant::duration>(span);
    }
    // Timers scheduled and not invalidated.
    int liveTimers() const {
        return static_cast<int>(std::ranges::count_if(queue_, [](const auto& item) {
            return item.second.timer && item.second.timer->valid;
        }));
    }

  private:
    struct ManualTimer : Timer {
        void invalidate() override { valid = false; }
        bool isValid() const override { return valid; }
        bool valid = true;
    };
    using Ticks = SteadyClock::duration;
    struct Entry {
        std::shared_ptr<ManualTimer> timer;  // none for posted work, which runs once
        Ticks interval;
        std::function<void(Timer&)> tick;
    };

    // Rounded, so that 0.1 + 0.2 s of steps lands where 0.3 s does.
    static Ticks ticks(Seconds span) { return std::chrono::round<Ticks>(span); }
    void schedule(Instant from, Ticks delay, Entry entry) {
        queue_.emplace(std::pair(from + delay, seq_++), std::move(entry));
    }

    bool runNext(Instant end) {
        if (queue_.empty() || queue_.begin()->first.first > end) {
            return false;
        }
        auto node = queue_.extract(queue_.begin());
        const Instant due = node.key().first;
        now_ = std::max(now_, due);
        Entry& entry = node.mapped();
        ManualTimer once;
        if (!entry.timer || entry.timer->valid) {
            entry.tick(entry.timer ? *entry.timer : once);
        }
        // Missed firings are skipped, as a run loop does after a sleep.
        if (entry.timer && entry.timer->valid) {
            schedule(due + entry.interval <= now() ? now() : due, entry.interval, std::move(entry));
        }
        return true;
    }

    // A fixed, realistic start: some days after boot, and a day in May on the wall.
    static constexpr Instant start_{std::chrono::hours(24 * 9)};
    Instant now_ = start_;
    WallInstant wallAtStart_{std::chrono::sys_days{std::chrono::year{2024} / 5 / 1}};
    std::uint64_t seq_ = 0;
    std::map<std::pair<Instant, std::uint64_t>, Entry> queue_;  // due, then order of scheduling
};

}  // namespace quilvo::testing
