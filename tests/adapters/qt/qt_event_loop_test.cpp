#include "adapters/qt/qt_event_loop.hpp"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <chrono>
#include <thread>
#include <vector>

namespace quilvo {
namespace {

using namespace std::chrono_literals;

class QtEventLoopTest : public ::testing::Test {
  protected:
    // Runs the application's events until `done` holds or `timeout` passes.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        }
        return done();
    }

    bool onMainThread() const { return QThread::currentThread() == app.thread(); }

    int argc = 1;
    char name[16] = "test";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    QtEventLoop loop;
};

TEST_F(QtEventLoopTest, PostsFromManyThreadsRunOnTheMainThreadInPostingOrder) {
    constexpr int kThreads = 4;
    constexpr int kPosts = 500;
    std::vector<std::vector<int>> seen(kThreads);
    int offMain = 0;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < kPosts; ++i) {
                loop.post([&, t, i] {
                    seen[t].push_back(i);
                    offMain += onMainThread() ? 0 : 1;
                });
            }
        });
    }
    for (auto& poster : posters) {
        poster.join();
    }
    ASSERT_TRUE(runUntil(
        [&] {
            for (const auto& list : seen) {
                if (list.size() < kPosts) {
                    return false;
                }
            }
            return true;
        },
        10s));
    EXPECT_EQ(offMain, 0);
    for (const auto& list : seen) {
        for (int i = 0; i < kPosts; ++i) {
            ASSERT_EQ(list[i], i);
        }
    }
}

TEST_F(QtEventLoopTest, DelayedPostRunsNoEarlierThanItsDelayFromAnyThread) {
    std::vector<Seconds> waited;
    const auto schedule = [&](double seconds) {
        const Instant posted = loop.now();
        loop.postAfter(Seconds(seconds), [&, posted] {
            EXPECT_TRUE(onMainThread());
            waited.push_back(secondsBetween(posted, loop.now()));
        });
    };
    schedule(0.05);
    std::thread([&] { schedule(0.12); }).join();
    ASSERT_TRUE(runUntil([&] { return waited.size() == 2; }, 5s));
    EXPECT_GE(waited[0].count(), 0.049);
    EXPECT_GE(waited[1].count(), 0.119);
}

TEST_F(QtEventLoopTest, RepeatingTimerOutlivesItsHandleUntilInvalidatedFromItsTick) {
    int ticks = 0;
    Timer* ticking = nullptr;
    loop.scheduleRepeating(Seconds(1.0 / 30), [&](Timer& timer) {
        EXPECT_TRUE(timer.isValid());
        ticking = &timer;
        if (++ticks == 5) {
            timer.invalidate();
            EXPECT_FALSE(timer.isValid());
        }
    });
    ASSERT_TRUE(runUntil([&] { return ticks >= 5; }, 5s));
    // A later tick would have shown up within a few intervals.
    runUntil([] { return false; }, 200ms);
    EXPECT_EQ(ticks, 5);
    EXPECT_NE(ticking, nullptr);
}

TEST_F(QtEventLoopTest, InvalidatedTimerStopsTicking) {
    int ticks = 0;
    auto timer = loop.scheduleRepeating(Seconds(0.01), [&](Timer&) { ++ticks; });
    EXPECT_TRUE(timer->isValid());
    ASSERT_TRUE(runUntil([&] { return ticks >= 3; }, 5s));
    timer->invalidate();
    timer->invalidate();
    EXPECT_FALSE(timer->isValid());
    const int stopped = ticks;
    runUntil([] { return false; }, 100ms);
    EXPECT_EQ(ticks, stopped);
}

TEST_F(QtEventLoopTest, TimerHandleOutlivingTheLoopIsInert) {
    std::shared_ptr<Timer> timer;
    {
        QtEventLoop shortLived;
        timer = shortLived.scheduleRepeating(Seconds(0.01), [](Timer&) {});
        EXPECT_TRUE(timer->isValid());
    }
    EXPECT_FALSE(timer->isValid());
    timer->invalidate();
}

TEST_F(QtEventLoopTest, NowIsTheWallClock) {
    const auto before = std::chrono::system_clock::now();
    const auto now = loop.now();
    EXPECT_GE(now, before);
    EXPECT_LE(now, std::chrono::system_clock::now());
}

}  // namespace
}  // namespace quilvo
