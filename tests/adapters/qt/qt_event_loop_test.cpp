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

// The adapters post from their own threads (GStreamer, PulseAudio).
TEST_F(QtEventLoopTest, PostsFromOtherThreadsRunOnTheMainThreadInOrderAndNotEarly) {
    constexpr int kThreads = 4;
    constexpr int kPosts = 500;
    std::vector<std::vector<int>> seen(kThreads);
    int offMain = 0;
    std::vector<double> waited;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < kPosts; ++i) {
                loop.post([&, t, i] {
                    seen[t].push_back(i);
                    offMain += onMainThread() ? 0 : 1;
                });
            }
            const Instant posted = loop.now();
            loop.postAfter(Seconds(0.05 * (t + 1)), [&, posted, t] {
                waited.push_back(secondsBetween(posted, loop.now()).count() - 0.05 * (t + 1));
            });
        });
    }
    for (auto& poster : posters) {
        poster.join();
    }
    ASSERT_TRUE(runUntil([&] { return waited.size() == kThreads; }, 10s));
    EXPECT_EQ(offMain, 0);
    for (const auto& list : seen) {
        ASSERT_EQ(list.size(), static_cast<std::size_t>(kPosts));
        for (int i = 0; i < kPosts; ++i) {
            ASSERT_EQ(list[i], i);
        }
    }
    for (const double early : waited) {
        EXPECT_GE(early, -0.001);
    }
}

}  // namespace
}  // namespace quilvo
