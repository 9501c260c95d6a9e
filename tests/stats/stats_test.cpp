#include "stats/stats.hpp"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "stats/stats_environment.hpp"
#include "support/fake_http_client.hpp"
#include "support/memory_store.hpp"

namespace quilvo {
namespace {

using testing::FakeHttpClient;
using testing::MemoryStore;

const std::string kQueue(Stats::kKeyQueue);
const std::string kDevice(Stats::kKeyDevice);

StatsSettings fixedSettings() {
    StatsSettings settings;
    settings.endpoint = "https://stats.invalid/api/event";
    settings.appVersion = "0.1.0";
    settings.osVersion = "Linux 6.1.0";
    settings.now = [] { return Instant{std::chrono::milliseconds(1'700'000'000'123)}; };
    settings.newUuid = [n = 0]() mutable { return "ID-" + std::to_string(++n); };
    return settings;
}

std::vector<std::string> numbered(int first, int last) {
    std::vector<std::string> events;
    for (int i = first; i <= last; ++i) {
        events.push_back("{\"n\":\"" + std::to_string(i) + "\"}");
    }
    return events;
}

struct StatsTest : ::testing::Test {
    std::shared_ptr<MemoryStore> store = std::make_shared<MemoryStore>();
    std::shared_ptr<FakeHttpClient> http = std::make_shared<FakeHttpClient>();

    std::unique_ptr<Stats> makeStats() {
        return std::make_unique<Stats>(store, http, fixedSettings());
    }
    std::vector<std::string> queue() { return store->textList(kQueue).value_or(numbered(0, -1)); }
};

TEST_F(StatsTest, TrackedEventIsStoredAsOneLineOfJson) {
    store->setText(kDevice, "KEY");
    auto stats = makeStats();
    stats->track("app_open", {}, {}, {}, {}, {});
    stats->track("station_start", "calm", "fip", true, 850, {});
    stats->waitUntilIdle();

    EXPECT_EQ(queue(), (std::vector<std::string>{
                           R"({"event_id":"ID-1","ts":"1700000000123","type":"app_open",)"
                           R"("platform":"Linux","app_version":"0.1.0",)"
                           R"("os_version":"Linux 6.1.0","device_key":"KEY"})",
                           R"({"event_id":"ID-2","ts":"1700000000123","type":"station_start",)"
                           R"("platform":"Linux","app_version":"0.1.0",)"
                           R"("os_version":"Linux 6.1.0","device_key":"KEY",)"
                           R"("mood":"calm","station_id":"fip","ok":"1","ms":"850"})"}));
    EXPECT_TRUE(http->calls().empty());
}

TEST_F(StatsTest, RecordedHookSeesEachEventAsStored) {
    StatsSettings settings = fixedSettings();
    std::vector<std::string> seen;
    settings.recorded = [&seen](const std::string& event) { seen.push_back(event); };
    Stats stats(store, http, settings);
    stats.track("app_open", {}, {}, {}, {}, {});
    stats.track("mood_selected", "calm", {}, {}, {}, {});
    stats.waitUntilIdle();
    EXPECT_EQ(seen, queue());
}

TEST_F(StatsTest, DestructionAbortsAnUploadUnderWay) {
    auto stats = makeStats();
    stats.reset();
    EXPECT_TRUE(http->aborted);
}

TEST_F(StatsTest, MissingOrEmptyDeviceKeyIsCreatedOnceAndKept) {
    store->setText(kDevice, "");
    makeStats()->track("app_open", {}, {}, {}, {}, {});
    const std::optional<std::string> key = store->text(kDevice);
    ASSERT_TRUE(key && !key->empty());

    makeStats()->track("app_open", {}, {}, {}, {}, {});

    EXPECT_EQ(store->text(kDevice), key);
    const auto events = queue();
    ASSERT_EQ(events.size(), 2u);
    for (const auto& event : events) {
        EXPECT_NE(event.find("\"device_key\":\"" + *key + "\""), std::string::npos) << event;
    }
}

TEST_F(StatsTest, BatchRequestCarriesEndpointTypeAndTimeouts) {
    store->setTextList(kQueue, numbered(1, 9));
    auto stats = makeStats();
    stats->track("app_open", {}, {}, {}, {}, {});
    stats->waitUntilIdle();

    const auto calls = http->calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].request.url, "https://stats.invalid/api/event");
    EXPECT_EQ(calls[0].request.headers,
              (decltype(HttpRequest::headers){{"Content-Type", "application/json"}}));
    EXPECT_EQ(calls[0].request.timeout, Seconds(10.0));
    EXPECT_EQ(calls[0].wait, Seconds(12.0));
    EXPECT_TRUE(queue().empty());
}

TEST_F(StatsTest, ForcedSendOfAnOverfullQueueTrimsOnlyWhenItFails) {
    store->setTextList(kQueue, numbered(1, 205));
    http->respond = [](const HttpRequest&) { return std::optional<int>(); };
    auto stats = makeStats();
    stats->flush();
    stats->waitUntilIdle();
    EXPECT_EQ(queue(), numbered(1, 200));

    store->setTextList(kQueue, numbered(1, 205));
    http->respond = [](const HttpRequest&) { return std::optional<int>(204); };
    stats->flush();
    stats->waitUntilIdle();
    EXPECT_EQ(queue(), numbered(11, 205));
}

TEST_F(StatsTest, GrownQueueDrainsOneBatchPerTrack) {
    store->setTextList(kQueue, numbered(1, 25));
    auto stats = makeStats();
    stats->track("app_open", {}, {}, {}, {}, {});
    stats->waitUntilIdle();

    ASSERT_EQ(http->calls().size(), 1u);
    EXPECT_EQ(http->calls()[0].request.body.substr(0, 20), R"({"events":[{"n":"1"})");
    const auto events = queue();
    ASSERT_EQ(events.size(), 16u);
    EXPECT_EQ(events.front(), numbered(11, 11)[0]);
}

TEST_F(StatsTest, DestructionKeepsEveryTrackedEventInOrder) {
    http->respond = [](const HttpRequest&) { return std::optional<int>(500); };
    auto stats = makeStats();
    for (int i = 0; i < 25; ++i) {
        stats->track("t" + std::to_string(i), {}, {}, {}, {}, {});
    }
    stats.reset();

    const auto events = queue();
    ASSERT_EQ(events.size(), 25u);
    for (int i = 0; i < 25; ++i) {
        EXPECT_NE(events[i].find("\"type\":\"t" + std::to_string(i) + "\""), std::string::npos);
    }
}

// A store another process holds until the test lets it go.
struct HeldStore : MemoryStore {
    bool lock(Seconds) override { return !held; }
    std::atomic<bool> held = true;
};

TEST_F(StatsTest, EventsWaitWhileAnotherProcessHoldsTheStore) {
    auto held = std::make_shared<HeldStore>();
    held->setTextList(kQueue, numbered(1, 9));
    Stats stats(held, http, fixedSettings());
    stats.track("early", {}, {}, {}, {}, {});
    stats.flush();
    stats.waitUntilIdle();
    EXPECT_EQ(held->textList(kQueue), numbered(1, 9));
    EXPECT_TRUE(http->calls().empty());

    held->held = false;
    stats.track("late", {}, {}, {}, {}, {});
    stats.waitUntilIdle();
    ASSERT_EQ(http->calls().size(), 1u);
    EXPECT_NE(http->calls()[0].request.body.find("\"type\":\"early\""), std::string::npos);
    ASSERT_EQ(held->textList(kQueue)->size(), 1u);
    EXPECT_NE(held->textList(kQueue)->at(0).find("\"type\":\"late\""), std::string::npos);
}

struct ScopedVariable {
    ScopedVariable(const char* name, const char* value) : name(name) {
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedVariable() { ::unsetenv(name); }
    const char* name;
};

TEST_F(StatsTest, DoNotTrackRecordsStoresAndSendsNothing) {
    ScopedVariable doNotTrack("DO_NOT_TRACK", "1");
    store->setTextList(kQueue, numbered(1, 9));
    auto stats = makeStatsFromEnvironment(store, http);
    stats->track("app_open", {}, {}, {}, {}, {});
    stats->flush();
    stats.reset();

    EXPECT_EQ(queue(), numbered(1, 9));
    EXPECT_FALSE(store->text(kDevice));
    EXPECT_TRUE(http->calls().empty());
}

TEST(StatsEnvironmentTest, EndpointAndSwitchComeFromTheEnvironment) {
    {
        ScopedVariable endpoint("QUILVO_STATS_ENDPOINT", nullptr);
        ScopedVariable doNotTrack("DO_NOT_TRACK", "0");
        EXPECT_TRUE(readStatsEnvironment().enabled);
        EXPECT_EQ(readStatsEnvironment().endpoint, "https://quilvo.app/api/event");
    }
    ScopedVariable endpoint("QUILVO_STATS_ENDPOINT", "http://127.0.0.1:9/api/event");
    ScopedVariable doNotTrack("DO_NOT_TRACK", "true");
    EXPECT_FALSE(readStatsEnvironment().enabled);
    EXPECT_EQ(readStatsEnvironment().endpoint, "http://127.0.0.1:9/api/event");
}

}  // namespace
}  // namespace quilvo
