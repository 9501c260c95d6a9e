#include "adapters/store/json_file_store.hpp"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "stats/stats.hpp"
#include "support/fake_http_client.hpp"
#include "support/temp_dir.hpp"

namespace quilvo {
namespace {

using testing::TempDir;

std::string contents(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void write(const std::filesystem::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

mode_t permissions(const std::filesystem::path& path) {
    struct stat status {};
    ::stat(path.c_str(), &status);
    return status.st_mode & 0777;
}

struct JsonFileStoreTest : ::testing::Test {
    TempDir dir;
    std::filesystem::path file = dir.path() / "state" / "quilvo" / "state.json";
};

TEST_F(JsonFileStoreTest, ValuesSurviveReopeningAndSitInAPrivateFile) {
    JsonFileStore(file).setText("quilvo.stats.device", "KEY");
    JsonFileStore(file).setTextList("quilvo.stats.queue", {"{\"a\":\"1\"}", "二"});

    JsonFileStore reopened(file);
    EXPECT_EQ(reopened.text("quilvo.stats.device"), "KEY");
    EXPECT_EQ(reopened.textList("quilvo.stats.queue"),
              (std::vector<std::string>{"{\"a\":\"1\"}", "二"}));
    EXPECT_EQ(nlohmann::json::parse(contents(file)),
              nlohmann::json::parse(R"({"quilvo.stats.device":"KEY",)"
                                    R"("quilvo.stats.queue":["{\"a\":\"1\"}","二"]})"));
    EXPECT_EQ(permissions(file), 0600u);
    EXPECT_EQ(permissions(file.parent_path()), 0700u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file.parent_path()), {}), 1)
        << "no temporary file left behind";
}

TEST_F(JsonFileStoreTest, WrongTypesReadAsAbsent) {
    std::filesystem::create_directories(file.parent_path());
    write(file, R"({"list":["a",1],"number":5,"text":"t"})");
    JsonFileStore store(file);

    EXPECT_FALSE(store.textList("list"));
    EXPECT_FALSE(store.text("number"));
    EXPECT_FALSE(store.textList("text"));
    EXPECT_FALSE(store.text("missing"));
    EXPECT_EQ(store.text("text"), "t");
}

TEST_F(JsonFileStoreTest, CorruptFileReadsEmptyAndIsReplacedOnWrite) {
    std::filesystem::create_directories(file.parent_path());
    for (const std::string& corrupt : {std::string("{\"text\":\"t\""), std::string("[\"t\"]"),
                                       std::string("{\"text\":\"\xff\"}")}) {
        write(file, corrupt);
        JsonFileStore store(file);
        EXPECT_FALSE(store.text("text"));

        store.setText("other", "o");

        EXPECT_EQ(nlohmann::json::parse(contents(file)), nlohmann::json({{"other", "o"}}));
    }
}

TEST_F(JsonFileStoreTest, DefaultPathFollowsXdgStateHome) {
    const std::string home = ::getenv("HOME") ? ::getenv("HOME") : "";
    ::setenv("HOME", "/home/listener", 1);
    ::setenv("XDG_STATE_HOME", "/var/state", 1);
    EXPECT_EQ(JsonFileStore::defaultPath(), "/var/state/quilvo/state.json");
    ::setenv("XDG_STATE_HOME", "relative/state", 1);
    EXPECT_EQ(JsonFileStore::defaultPath(), "/home/listener/.local/state/quilvo/state.json");
    ::unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(JsonFileStore::defaultPath(), "/home/listener/.local/state/quilvo/state.json");
    ::setenv("HOME", home.c_str(), 1);
}

TEST_F(JsonFileStoreTest, LockKeepsAnotherStoreOutUntilReleasedOrWaitingStops) {
    JsonFileStore holder(file);
    JsonFileStore other(file);
    ASSERT_TRUE(holder.lock(Seconds{0}));
    EXPECT_TRUE(std::filesystem::exists(file.parent_path() / "state.json.lock"));
    EXPECT_FALSE(other.lock(Seconds{0.05}));
    std::thread waiter([&other] { EXPECT_FALSE(other.lock(Seconds{600})); });
    other.stopWaiting();
    waiter.join();

    holder.unlock();
    EXPECT_TRUE(other.lock(Seconds{0}));
    other.unlock();
}

// Stats over the file store, as the application runs it.
struct StatsOnFileTest : JsonFileStoreTest {
    std::shared_ptr<testing::FakeHttpClient> http = std::make_shared<testing::FakeHttpClient>();

    std::string trackOneEvent() {
        Stats stats(std::make_shared<JsonFileStore>(file), http);
        stats.track("app_open", {}, {}, {}, {}, {});
        stats.waitUntilIdle();
        const auto queue = JsonFileStore(file).textList("quilvo.stats.queue");
        return queue && !queue->empty() ? queue->back() : "";
    }
};

TEST_F(StatsOnFileTest, DeviceKeyStaysTheSameAcrossRestarts) {
    const auto first = nlohmann::json::parse(trackOneEvent());
    const auto second = nlohmann::json::parse(trackOneEvent());

    EXPECT_EQ(first.at("device_key"), second.at("device_key"));
    EXPECT_EQ(first.at("device_key"), JsonFileStore(file).text("quilvo.stats.device"));
    EXPECT_NE(first.at("event_id"), second.at("event_id"));
    EXPECT_EQ(JsonFileStore(file).textList("quilvo.stats.queue")->size(), 2u);
}

TEST_F(StatsOnFileTest, CorruptStateFileIsReplaced) {
    std::filesystem::create_directories(file.parent_path());
    write(file, "\x01garbage{[");

    const std::string event = trackOneEvent();

    const auto state = nlohmann::json::parse(contents(file));
    EXPECT_EQ(state.at("quilvo.stats.queue"), nlohmann::json::array({event}));
    EXPECT_EQ(nlohmann::json::parse(event).at("device_key"), state.at("quilvo.stats.device"));
}

}  // namespace
}  // namespace quilvo
