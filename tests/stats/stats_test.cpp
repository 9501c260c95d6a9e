#include "stats/stats.hpp"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <future>

#include "stats/stats_environment.hpp"
#include "support/fake_http_client.hpp"
#include "support/memory_store.hpp"

namespace quilvo {
namespace {

const std::string kQueue(Stats::kKeyQueue);
const std::string kDevice(Stats::kKeyDevice);

std::vector<std::string> numbered(int first, int last) {
    std::vector<std::string> events;
    for (int i = first; i <= last; ++i) {
        events.push_back("{\"n\":\"" + std::to_string(i) + "\"}");
    }
    return events;
}

std::vector<std::string> operator+(std::vector<std::string> events, const std::string& event) {
    events.push_back(event);
    return events;
}

std::string body(const std::vector<std::string>& events) {
    std::string text;
    for (const auto& event : events) {
        text += (text.empty() ? "" : ",") + event;
    }
    return "{\"events\":[" + text + "]}";
}

// The event `trackApp` records, as the fixed settings make it.
const std::string kAppOpen =
    R"({"event_id":"ID-1","ts":"1700000000123","type":"app_open","platform":"Linux",)"
    R"("app_version":"0.1.0","os_version":"Linux 6.1.0","device_key":"KEY"})";

struct StatsTest : ::testing::Test {
    std::shared_ptr<testing::MemoryStore> store = std::make_shared<testing::MemoryStore>();
    std::shared_ptr<testing::FakeHttpClient> http = std::make_shared<testing::FakeHttpClient>();
    std::vector<std::string> recorded;

    std::unique_ptr<Stats> makeStats() {
        StatsSettings settings;
        settings.endpoint = "https://stats.invalid/api/event";
        settings.appVersion = "0.1.0";
        settings.osVersion = "Linux 6.1.0";
        settings.now = [] { return WallInstant{std::chrono::milliseconds(1'700'000'000'123)}; };
        settings.newUuid = [n = 0]() mutable { return "ID-" + std::to_string(++n); };
        settings.recorded = [this](const std::string& event) { recorded.push_back(event); };
        return std::make_unique<Stats>(store, http, settings);
    }
    std::vector<std::string> queue() { return store->textList(kQueue).value_or(numbered(0, -1)); }
    // Stores `events` and the device key, tracks "app_open" and waits for the upload.
    void trackApp(const std::vector<std::string>& events) {
        store->setText(kDevice, "KEY");
        store->setTextList(kQueue, events);
        auto stats = makeStats();
        stats->track("app_open", {}, {}, {}, {}, {});
        stats->waitUntilIdle();
    }
};

// One line of JSON per event, seen by the hook; the tenth sends them, kept until taken.
TEST_F(StatsTest, TenthEventSendsTheBatchWhichStaysStoredUntilTheEndpointTookIt) {
    trackApp({});
    EXPECT_EQ(queue(), std::vector<std::string>{kAppOpen});
    EXPECT_EQ(recorded, queue());
    EXPECT_TRUE(http->calls().empty());
    const std::optional<int> statuses[] = {200, 204, 302, 404, 500, std::nullopt};
    for (const std::optional<int> status : statuses) {
        http = std::make_shared<testing::FakeHttpClient>();
        http->respond = [&](const HttpRequest& request) {
            EXPECT_EQ(body(queue()), request.body) << "a killed process must lose nothing";
            return status;
        };
        trackApp(numbered(1, 9));
        ASSERT_EQ(http->calls().size(), 1u);
        const auto [request, wait] = http->calls()[0];
        EXPECT_EQ(std::tie(request.url, request.headers, request.body, request.timeout, wait),
                  std::tuple("https://stats.invalid/api/event",
                             decltype(HttpRequest::headers){{"Content-Type", "application/json"}},
                             body(numbered(1, 9) + kAppOpen), Seconds(10.0), Seconds(12.0)));
        const bool taken = status && *status / 100 == 2;
        EXPECT_EQ(queue(), taken ? numbered(0, -1) : numbered(1, 9) + kAppOpen)
            << status.value_or(-1);
    }
}

TEST_F(StatsTest, QueueDrainsOneBatchPerUploadAndKeepsTwoHundredWhenFull) {
    trackApp(numbered(1, 25));  // a grown queue: one batch per track
    EXPECT_EQ(http->calls().back().request.body, body(numbered(1, 10)));
    EXPECT_EQ(queue(), numbered(11, 25) + kAppOpen);

    http->respond = [](auto&) { return 500; };
    trackApp(numbered(1, 200));  // full: the oldest goes, once it had its last chance
    EXPECT_EQ(http->calls().back().request.body, body(numbered(1, 10)));
    EXPECT_EQ(queue(), numbered(2, 200) + kAppOpen);

    auto stats = makeStats();
    const auto flush = [&](const std::vector<std::string>& events) {
        store->setTextList(kQueue, events);
        stats->flush();
        stats->waitUntilIdle();
        return http->calls().size();
    };
    flush(numbered(1, 205));  // forced send of an overfull queue: trimmed only when it fails
    EXPECT_EQ(queue(), numbered(1, 200));
    http->respond = [](auto&) { return 204; };
    const auto sent = flush(numbered(1, 15));
    EXPECT_EQ(http->calls().back().request.body, body(numbered(1, 10)));
    EXPECT_EQ(queue(), numbered(11, 15));
    EXPECT_EQ(flush({}), sent);
}

TEST_F(StatsTest, TrackReturnsWhileAPostHangs) {
    std::promise<void> release;
    // Unanswered, the POST fails and a second one follows: what a blocking track would cause.
    http->respond = [released = release.get_future().share()](const HttpRequest&) {
        const auto answer = released.wait_for(std::chrono::seconds(5));
        return answer == std::future_status::ready ? std::optional(200) : std::nullopt;
    };
    store->setTextList(kQueue, numbered(1, 9));
    auto stats = makeStats();
    stats->track("app_open", {}, {}, {}, {}, {});
    stats->track("late", {}, {}, {}, {}, {});
    release.set_value();
    stats->waitUntilIdle();
    EXPECT_EQ(http->calls().size(), 1u);
    ASSERT_EQ(queue().size(), 1u);
    EXPECT_NE(queue()[0].find("\"type\":\"late\""), std::string::npos);
}

TEST_F(StatsTest, DestructionAbortsTheUploadAndKeepsEveryTrackedEventInOrder) {
    http->respond = [](auto&) { return 500; };
    auto stats = makeStats();
    for (int i = 0; i < 25; ++i) {
        stats->track("t" + std::to_string(i), {}, {}, {}, {}, {});
    }
    stats.reset();
    EXPECT_TRUE(http->aborted);
    const auto events = queue();
    ASSERT_EQ(events.size(), 25u);
    for (int i = 0; i < 25; ++i) {
        EXPECT_NE(events[i].find("\"type\":\"t" + std::to_string(i) + "\""), std::string::npos);
    }
}

TEST_F(StatsTest, MissingOrEmptyDeviceKeyIsCreatedOnceAndKept) {
    store->setText(kDevice, "");
    makeStats()->track("app_open", {}, {}, {}, {}, {});
    const std::optional<std::string> key = store->text(kDevice);
    ASSERT_TRUE(key && !key->empty());
    makeStats()->track("app_open", {}, {}, {}, {}, {});
    EXPECT_EQ(store->text(kDevice), key);
    for (const auto& event : queue()) {
        EXPECT_NE(event.find("\"device_key\":\"" + *key + "\""), std::string::npos) << event;
    }
}

// Events tracked during an upload are stored in one write, and the burst is sent whole, each
// event once, although it is far larger than the queue.
TEST_F(StatsTest, BurstTrackedDuringAnUploadCostsOneWriteAndLosesNothing) {
    std::promise<void> posting, release;
    http->respond = [&posting, released = release.get_future().share()](const HttpRequest&) {
        if (released.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
            posting.set_value();
            released.wait();
        }
        return 200;
    };
    store->setText(kDevice, "KEY");
    store->setTextList(kQueue, numbered(1, 9));
    auto stats = makeStats();
    stats->track("first", {}, {}, {}, {}, {});
    posting.get_future().wait();
    const int writes = store->writes;
    for (int i = 0; i < 1000; ++i) {
        stats->track("burst", {}, {}, {}, {}, {});
    }
    release.set_value();
    stats->waitUntilIdle();
    EXPECT_LE(store->writes - writes, 3);
    // Batches go in queue order: together they hold every event once, in order.
    std::string sent;
    for (const auto& call : http->calls()) {
        const std::string& batch = call.request.body;
        sent += (sent.empty() ? "" : ",") + batch.substr(11, batch.size() - 13);
    }
    std::vector<std::string> events = numbered(1, 9);
    events.insert(events.end(), recorded.begin(), recorded.end());
    ASSERT_EQ(recorded.size(), 1001u);
    EXPECT_EQ("{\"events\":[" + sent + "]}", body(events));
    EXPECT_EQ(queue(), numbered(0, -1));
}

// A read-only or full disk: the run's events go from memory, and a batch taken from the store
// whose removal could not be saved is not sent again.
TEST_F(StatsTest, UnwritableStoreSendsEveryEventOfTheRunAndNoneTwice) {
    store->setText(kDevice, "KEY");
    store->setTextList(kQueue, numbered(1, 10));
    store->writable = false;
    auto stats = makeStats();
    for (int i = 0; i < 15; ++i) {
        stats->track("t" + std::to_string(i), {}, {}, {}, {}, {});
        stats->waitUntilIdle();
    }
    stats->flush();
    stats->waitUntilIdle();
    std::vector<std::string> bodies;
    for (const auto& call : http->calls()) {
        bodies.push_back(call.request.body);
    }
    ASSERT_EQ(recorded.size(), 15u);
    EXPECT_EQ(bodies,
              (std::vector{body(numbered(1, 10)), body({recorded.begin(), recorded.begin() + 10}),
                           body({recorded.begin() + 10, recorded.end()})}));
}

// A store another process holds until the test lets it go.
struct HeldStore : testing::MemoryStore {
    bool lock(Seconds) override { return !held; }
    std::atomic<bool> held = true;
};

TEST_F(StatsTest, EventsWaitWhileAnotherProcessHoldsTheStore) {
    auto held = std::make_shared<HeldStore>();
    store = held;
    held->setTextList(kQueue, numbered(1, 9));
    auto stats = makeStats();
    stats->track("early", {}, {}, {}, {}, {});
    stats->flush();
    stats->waitUntilIdle();
    EXPECT_EQ(held->textList(kQueue), numbered(1, 9));
    EXPECT_TRUE(http->calls().empty());

    held->held = false;
    stats->track("late", {}, {}, {}, {}, {});
    stats->waitUntilIdle();
    ASSERT_EQ(http->calls().size(), 1u);
    EXPECT_NE(http->calls()[0].request.body.find("\"type\":\"early\""), std::string::npos);
}

// Quitting sends one batch where the store keeps the rest, and everything where it cannot.
TEST_F(StatsTest, FlushSendsAllThatAStoreThatCannotBeWrittenWouldLose) {
    auto held = std::make_shared<HeldStore>();
    store = held;
    held->writable = false;
    auto stats = makeStats();
    for (int i = 0; i < 25; ++i) {
        stats->track("t", {}, {}, {}, {}, {});
    }
    stats->waitUntilIdle();
    held->held = false;
    stats->flush();
    stats->waitUntilIdle();
    EXPECT_EQ(http->calls().size(), 3u);
}

// The lab runs with DO_NOT_TRACK=0 and its own endpoint, and needs both honoured.
TEST_F(StatsTest, EnvironmentGivesTheEndpointAndDoNotTrackRecordsNothing) {
    ::unsetenv("QUILVO_STATS_ENDPOINT");
    EXPECT_EQ(readStatsEnvironment().endpoint, "https://quilvo.app/api/event");
    ::setenv("DO_NOT_TRACK", "true", 1);
    store->setTextList(kQueue, numbered(1, 9));
    auto stats = makeStatsFromEnvironment(store, http);
    stats->track("app_open", {}, {}, {}, {}, {});
    stats->flush();
    stats.reset();
    EXPECT_EQ(queue(), numbered(1, 9));
    EXPECT_FALSE(store->text(kDevice));
    EXPECT_TRUE(http->calls().empty());
    ::unsetenv("DO_NOT_TRACK");
}

}  // namespace
}  // namespace quilvo
