#include "adapters/gstreamer/observer_list.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

namespace quilvo {
namespace {

TEST(ObserverList, CallsLiveObservationsOnlyAndNothingOnceClosed) {
    ObserverList list;
    int live = 0, gone = 0;
    auto observation = list.add([&] { ++live; }, true);
    EXPECT_EQ(live, 1) << "the initial call comes before add() returns";
    auto dropped = list.add([&] { ++gone; });
    auto invalidated = list.add([&] { ++gone; });
    dropped.reset();
    invalidated->invalidate();
    list.notify();
    EXPECT_EQ(live, 2);
    EXPECT_EQ(gone, 0);
    list.close();
    list.notify();
    auto late = list.add([&] { ++live; });
    list.notify();
    EXPECT_EQ(live, 2);
}

TEST(ObserverList, CallbackMayInvalidateItselfAndReleaseItsCaptures) {
    ObserverList list;
    auto token = std::make_shared<int>(0);
    std::weak_ptr<int> watch = token;
    std::unique_ptr<Observation> observation;
    int calls = 0;
    observation = list.add([&, token] {
        ++calls;
        observation->invalidate();
    });
    token.reset();
    list.notify();
    list.notify();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(watch.expired()) << "the invalidated callback still holds what it captured";
}

TEST(ObserverList, InvalidateWaitsForARunningCallbackOnAnotherThread) {
    ObserverList list;
    std::promise<void> entered, release;
    std::atomic<bool> finished = false;
    auto observation = list.add([&] {
        entered.set_value();
        release.get_future().wait();
        finished = true;
    });
    std::thread notifier([&] { list.notify(); });
    entered.get_future().wait();
    auto invalidated = std::async(std::launch::async, [&] { observation->invalidate(); });
    EXPECT_EQ(invalidated.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    release.set_value();
    invalidated.wait();
    EXPECT_TRUE(finished);
    notifier.join();
}

}  // namespace
}  // namespace quilvo
