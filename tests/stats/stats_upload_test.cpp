#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <nlohmann/json.hpp>

#include "adapters/curl/curl_http_client.hpp"
#include "adapters/store/json_file_store.hpp"
#include "stats/local_http_server.hpp"
#include "stats/stats.hpp"
#include "support/temp_dir.hpp"

namespace quilvo {
namespace {

using testing::LocalHttpServer;

const std::string kQueue(Stats::kKeyQueue);

// The event that `trackTenth` records, as the fixed settings make it.
const std::string kTenth =
    R"({"event_id":"ID-1","ts":"1700000000123","type":"station_start","platform":"Linux",)"
    R"("app_version":"0.1.0","os_version":"Linux 6.1.0","device_key":"KEY","mood":"calm",)"
    R"("station_id":"fip","ok":"1","ms":"850"})";

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
    std::string text = "{\"events\":[";
    for (const auto& event : events) {
        text += event + (&event == &events.back() ? "" : ",");
    }
    return text + "]}";
}

struct StatsUploadTest : ::testing::Test {
    testing::TempDir dir;
    std::filesystem::path file = dir.path() / "quilvo" / "state.json";

    std::unique_ptr<Stats> makeStats(const std::string& endpoint) {
        StatsSettings settings;
        settings.endpoint = endpoint;
        settings.appVersion = "0.1.0";
        settings.osVersion = "Linux 6.1.0";
        settings.now = [] { return Instant{std::chrono::milliseconds(1'700'000'000'123)}; };
        settings.newUuid = [n = 0]() mutable { return "ID-" + std::to_string(++n); };
        return std::make_unique<Stats>(std::make_shared<JsonFileStore>(file),
                                       std::make_shared<CurlHttpClient>(), settings);
    }
    void store(const std::vector<std::string>& events) {
        JsonFileStore(file).setText(std::string(Stats::kKeyDevice), "KEY");
        JsonFileStore(file).setTextList(kQueue, events);
    }
    std::vector<std::string> stored() { return *JsonFileStore(file).textList(kQueue); }

    // Tracks one event on a Stats for `endpoint` and waits until its work is done.
    void trackTenth(const std::string& endpoint) {
        auto stats = makeStats(endpoint);
        stats->track("station_start", "calm", "fip", true, 850, {});
        stats->waitUntilIdle();
    }
};

TEST_F(StatsUploadTest, NineStoredAndOneTrackedGoInOnePostThatEmptiesTheQueue) {
    for (const int status : {200, 204}) {
        store(numbered(1, 9));
        LocalHttpServer server(status);

        trackTenth(server.url());

        const auto requests = server.requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].body, body(numbered(1, 9) + kTenth));
        EXPECT_EQ(requests[0].contentType, "application/json");
        EXPECT_TRUE(stored().empty()) << status;
    }
}

TEST_F(StatsUploadTest, FailedPostLeavesTheQueueAsItWas) {
    LocalHttpServer notFound(404);
    LocalHttpServer broken(500);
    for (const std::string& endpoint : {notFound.url(), broken.url(), testing::refusedUrl()}) {
        store(numbered(1, 9));

        trackTenth(endpoint);

        EXPECT_EQ(stored(), numbered(1, 9) + kTenth) << endpoint;
    }
    EXPECT_EQ(notFound.requests().size(), 1u);
    EXPECT_EQ(broken.requests().size(), 1u);
}

TEST_F(StatsUploadTest, AnswerAfterFifteenSecondsCountsAsFailure) {
    store(numbered(1, 9));
    LocalHttpServer slow(200, true);

    trackTenth(slow.url());

    EXPECT_EQ(slow.requests().size(), 1u);
    EXPECT_EQ(stored(), numbered(1, 9) + kTenth);
}

TEST_F(StatsUploadTest, FlushSendsTheFirstTenOfFifteen) {
    store(numbered(1, 15));
    LocalHttpServer server(200);
    auto stats = makeStats(server.url());
    stats->flush();
    stats->waitUntilIdle();

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].body, body(numbered(1, 10)));
    EXPECT_EQ(stored(), numbered(11, 15));
}

TEST_F(StatsUploadTest, FlushOfAnEmptyQueueSendsNothing) {
    store({});
    LocalHttpServer server(200);
    auto stats = makeStats(server.url());
    stats->flush();
    stats->waitUntilIdle();

    EXPECT_TRUE(server.requests().empty());
}

TEST_F(StatsUploadTest, FullQueueKeepsTheNewestTwoHundred) {
    store(numbered(1, 200));
    LocalHttpServer broken(500);

    trackTenth(broken.url());

    ASSERT_EQ(broken.requests().size(), 1u);
    EXPECT_EQ(broken.requests()[0].body, body(numbered(2, 11)));
    EXPECT_EQ(stored(), numbered(2, 200) + kTenth);
}

// Effects in order: the POST is under way, a second track returns, only then the server
// answers, and that one answer was enough. Had the second track waited for the upload, the
// upload would have timed out unanswered and a second POST would have followed.
TEST_F(StatsUploadTest, TrackReturnsWhileAPostHangs) {
    store(numbered(1, 9));
    LocalHttpServer held(200, true);
    auto stats = makeStats(held.url());
    stats->track("station_start", "calm", "fip", true, 850, {});
    ASSERT_TRUE(held.waitForRequests(1));

    stats->track("late", {}, {}, {}, {}, {});
    held.release();
    stats->waitUntilIdle();

    EXPECT_EQ(held.requests().size(), 1u);
    const auto queue = stored();
    ASSERT_EQ(queue.size(), 1u);
    EXPECT_EQ(nlohmann::json::parse(queue[0]).at("type"), "late");
}

// Runs the helper with statistics state in `stateHome`, posting to `endpoint`.
struct Helper {
    Helper(const std::filesystem::path& stateHome, const std::string& endpoint, int events) {
        const std::string path = QUILVO_STATS_UPLOAD_HELPER;
        std::vector<std::string> arguments{path, std::to_string(events)};
        std::vector<std::string> environment{"XDG_STATE_HOME=" + stateHome.string(),
                                             "QUILVO_STATS_ENDPOINT=" + endpoint,
                                             "no_proxy=127.0.0.1"};
        std::vector<char*> argv, envp;
        for (auto& argument : arguments) {
            argv.push_back(argument.data());
        }
        for (auto& variable : environment) {
            envp.push_back(variable.data());
        }
        argv.push_back(nullptr);
        envp.push_back(nullptr);
        if (::posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0) {
            pid = -1;
        }
    }
    ~Helper() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            wait();
        }
    }
    int wait() {
        int status = -1;
        ::waitpid(pid, &status, 0);
        pid = -1;
        return status;
    }
    pid_t pid = -1;
};

std::vector<nlohmann::json> eventIds(const std::string& body) {
    std::vector<nlohmann::json> ids;
    const auto parsed = nlohmann::json::parse(body);
    for (const auto& event : parsed.at("events")) {
        ids.push_back(event.at("event_id"));
    }
    return ids;
}

TEST_F(StatsUploadTest, ProcessKilledDuringAnUploadLosesNoEvent) {
    LocalHttpServer held(200, true);
    Helper first(dir.path(), held.url(), 10);
    ASSERT_GT(first.pid, 0);
    ASSERT_TRUE(held.waitForRequests(1));
    ::kill(first.pid, SIGKILL);
    const int killed = first.wait();
    EXPECT_TRUE(WIFSIGNALED(killed) && WTERMSIG(killed) == SIGKILL);

    LocalHttpServer good(200);
    Helper second(dir.path(), good.url(), 0);
    const int finished = second.wait();
    EXPECT_TRUE(WIFEXITED(finished) && WEXITSTATUS(finished) == 0);

    ASSERT_EQ(good.requests().size(), 1u);
    const auto sent = eventIds(held.requests()[0].body);
    EXPECT_EQ(sent.size(), 10u);
    EXPECT_EQ(eventIds(good.requests()[0].body), sent);
    EXPECT_TRUE(stored().empty());
}

}  // namespace
}  // namespace quilvo
