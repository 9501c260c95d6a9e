#include <chrono>
#include <filesystem>
#include <iostream>
#include <thread>

#include "player_probe.hpp"
#include "stream_lab.hpp"
#include "support/child_process.hpp"

namespace quilvo::testing {
namespace {

using namespace std::chrono_literals;

std::size_t entriesIn(const char* folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                  std::filesystem::directory_iterator()));
}

std::size_t threads() {
    return entriesIn("/proc/self/task");
}
std::size_t descriptors() {
    return entriesIn("/proc/self/fd");
}

class GstPlayerLifecycle : public StreamLab {
  protected:
    using Clock = std::chrono::steady_clock;

    // One station change: a new player starts, and sometimes plays or is paused first. Keeps
    // the longest time the calling thread spent inside the player's own calls.
    void cycle(int i) {
        auto start = Clock::now();
        auto player = factory.create(faults().url("/stream?burst=1"));
        player->setVolume(0.0f);
        player->play();
        note(start);
        if (i % 10 == 0) {
            PlayerProbe probe(player);
            probe.waitForControl(TimeControlStatus::playing, 10s);
        }
        start = Clock::now();
        if (i % 3 == 0) {
            player->pause();
        }
        player.reset();
        note(start);
    }

    void note(Clock::time_point start) { slowest = std::max(slowest, Clock::now() - start); }

    Clock::duration slowest = Clock::duration::zero();
};

TEST_F(GstPlayerLifecycle, RapidChangesLeaveNoThreadsOrDescriptorsBehind) {
    for (int i = 0; i < 10; ++i) {
        cycle(i);
    }
    // Pools of GStreamer and GLib keep a few idle threads for a while; compare settled counts.
    std::this_thread::sleep_for(1s);
    const auto threadsBefore = threads();
    const auto fdsBefore = descriptors();

    slowest = Clock::duration::zero();
    for (int i = 0; i < 200; ++i) {
        cycle(i);
    }
    // Nothing on the calling thread waits for GStreamer: no state change, no teardown.
    EXPECT_LT(slowest, 200ms);
    std::cout << "slowest player call on the calling thread: "
              << std::chrono::duration_cast<std::chrono::microseconds>(slowest).count() << " us\n";

    EXPECT_TRUE(waitUntil([&] { return descriptors() <= fdsBefore; }, 20s))
        << descriptors() << " descriptors, " << fdsBefore << " before";
    EXPECT_TRUE(waitUntil([&] { return threads() <= threadsBefore + 2; }, 30s))
        << threads() << " threads, " << threadsBefore << " before";
}

TEST_F(GstPlayerLifecycle, LastReferenceMayBeDroppedInsideItsOwnCallback) {
    auto player = factory.create(faults().url("/stream"));
    std::mutex mutex;
    std::condition_variable dropped;
    std::shared_ptr<AudioPlayer> keeper = player;
    std::unique_ptr<Observation> observation;
    bool done = false;
    observation = player->observeTimeControlStatus([&] {
        std::lock_guard lock(mutex);
        if (keeper && keeper->timeControlStatus() == TimeControlStatus::playing) {
            observation->invalidate();
            keeper.reset();
            done = true;
            dropped.notify_all();
        }
    });
    player->play();
    player.reset();
    std::unique_lock lock(mutex);
    EXPECT_TRUE(dropped.wait_for(lock, 10s, [&] { return done; }));
}

TEST_F(GstPlayerLifecycle, NoCallbackStartsAfterInvalidate) {
    auto player = factory.create(faults().url("/stream?title=a&title=b&title=c&every=0.5"));
    std::atomic<int> calls = 0;
    auto status = player->observeTimeControlStatus([&] { ++calls; });
    auto metadata = player->observeTimedMetadata([&] { ++calls; });
    player->play();
    PlayerProbe probe(player);
    ASSERT_TRUE(probe.waitForControl(TimeControlStatus::playing, 10s));
    status->invalidate();
    metadata->invalidate();
    const int seen = calls;
    player->pause();
    player->play();
    EXPECT_TRUE(probe.waitFor([](AudioPlayer& p) { return p.timedMetadata().has_value(); }, 5s));
    EXPECT_EQ(calls, seen);
}

}  // namespace
}  // namespace quilvo::testing
