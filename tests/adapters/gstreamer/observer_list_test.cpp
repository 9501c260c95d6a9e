#include "adapters/gstreamer/observer_list.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

namespace quilvo {
namespace {

TEST(ObserverList, InitialRegistrationCallsOnceBeforeReturning) {
    ObserverList list;
    int calls = 0;
    auto observation = list.add([&] { ++calls; }, true);
    EXPECT_EQ(calls, 1);
    list.notify();
    EXPECT_EQ(calls, 2);
    auto quiet = list.add([&] { ++calls; });
    EXPECT_EQ(calls, 2);
}

TEST(ObserverList, InvalidatedAndDroppedObservationsAreNotCalled) {
    ObserverList list;
    int first = 0;
    int second = 0;
    auto a = list.add([&] { ++first; });
    auto b = list.add([&] { ++second; });
    a->invalidate();
    b.reset();
    list.notify();
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 0);
}

TEST(ObserverList, ClosedListCallsNothing) {
    ObserverList list;
    int calls = 0;
    auto observation = list.add([&] { ++calls; });
    list.close();
    list.notify();
    auto late = list.add([&] { ++calls; });
    list.notify();
    EXPECT_EQ(calls, 0);
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
    std::promise<void> entered;
    std::promise<void> release;
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
