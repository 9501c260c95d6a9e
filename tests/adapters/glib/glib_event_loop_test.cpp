#include "adapters/glib/glib_event_loop.hpp"

#include <glib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <numeric>
#include <thread>
#include <vector>

namespace quilvo {
namespace {

using namespace std::chrono_literals;

// The adapters post from their own threads (GStreamer, PulseAudio).
TEST(GlibEventLoop, PostsFromOtherThreadsRunOnTheMainThreadInOrderAndNotEarly) {
    GlibEventLoop loop;
    const auto mainThread = std::this_thread::get_id();
    constexpr int kThreads = 4, kPosts = 500;
    std::vector<std::vector<int>> seen(kThreads);
    int offMain = 0;
    std::vector<double> waited;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < kPosts; ++i) {
                loop.post([&, t, i] {
                    seen[t].push_back(i);
                    offMain += std::this_thread::get_id() != mainThread;
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
    int ticks = 0;  // a tick that invalidates its timer is its last
    loop.scheduleRepeating(Seconds(0.001),
                           [&ticks](Timer& timer) { ticks += (timer.invalidate(), 1); });
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (waited.size() < kThreads && std::chrono::steady_clock::now() < deadline) {
        g_main_context_iteration(nullptr, TRUE);
    }
    ASSERT_EQ(waited.size(), static_cast<std::size_t>(kThreads));
    EXPECT_EQ(offMain, 0);
    std::vector<int> inOrder(kPosts);
    std::iota(inOrder.begin(), inOrder.end(), 0);
    EXPECT_EQ(seen, std::vector(kThreads, inOrder));
    EXPECT_GE(*std::min_element(waited.begin(), waited.end()), -0.001);
    EXPECT_EQ(ticks, 1);
}

}  // namespace
}  // namespace quilvo
