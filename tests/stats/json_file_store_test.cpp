#include "adapters/store/json_file_store.hpp"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "support/temp_dir.hpp"

namespace quilvo {
namespace {

struct JsonFileStoreTest : ::testing::Test {
    testing::TempDir dir;
    std::filesystem::path file = dir.path() / "state" / "quilvo" / "state.json";

    nlohmann::json contents() { return nlohmann::json::parse(std::ifstream(file)); }
    void write(const std::string& text) {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << text;
    }
};

TEST_F(JsonFileStoreTest, ValuesSurviveReopeningAndSitInAPrivateFile) {
    JsonFileStore(file).setText("quilvo.stats.device", "KEY");
    JsonFileStore(file).setTextList("quilvo.stats.queue", {"{\"a\":\"1\"}", "二"});
    JsonFileStore reopened(file);
    EXPECT_EQ(reopened.text("quilvo.stats.device"), "KEY");
    EXPECT_EQ(reopened.textList("quilvo.stats.queue"),
              (std::vector<std::string>{"{\"a\":\"1\"}", "二"}));
    EXPECT_EQ(contents(), nlohmann::json::parse(R"({"quilvo.stats.device":"KEY",)"
                                                R"("quilvo.stats.queue":["{\"a\":\"1\"}","二"]})"));
    using enum std::filesystem::perms;
    EXPECT_EQ(std::filesystem::status(file).permissions(), owner_read | owner_write);
    EXPECT_EQ(std::filesystem::status(file.parent_path()).permissions(), owner_all);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file.parent_path()), {}), 1)
        << "no temporary file left behind";

    write(R"({"list":["a",1],"number":5,"text":"t"})");
    JsonFileStore typed(file);
    EXPECT_FALSE(typed.textList("list"));
    EXPECT_FALSE(typed.text("number"));
    EXPECT_FALSE(typed.textList("text"));
    EXPECT_EQ(typed.text("text"), "t");
}

TEST_F(JsonFileStoreTest, CorruptFileReadsEmptyAndIsReplacedOnWrite) {
    for (const std::string& corrupt :
         {std::string("{\"text\":\"t\""), std::string("[\"t\"]"),
          std::string("{\"text\":\"\xff\"}"), std::string("\x01garbage{[")}) {
        write(corrupt);
        JsonFileStore store(file);
        EXPECT_FALSE(store.text("text"));
        store.setText("other", "o");
        EXPECT_EQ(contents(), nlohmann::json({{"other", "o"}}));
    }
}

// A directory in the file's place: nothing reads, no write claims success, nothing is replaced.
TEST_F(JsonFileStoreTest, StateThatCannotBeReadIsNeverReplacedAndWritesSaySo) {
    std::filesystem::create_directories(file);
    JsonFileStore store(file);
    EXPECT_FALSE(store.textList("list"));
    EXPECT_FALSE(store.setTextList("list", {"a"}));
    EXPECT_FALSE(store.setText("text", "t"));
    EXPECT_TRUE(std::filesystem::is_directory(file));
    std::filesystem::remove(file);
    EXPECT_TRUE(store.setText("text", "t"));
}

// An absolute XDG_STATE_HOME is used as it is: the lab finds its programs' state there.
TEST_F(JsonFileStoreTest, DefaultPathFollowsXdgStateHome) {
    const std::string home = ::getenv("HOME") ? ::getenv("HOME") : "";
    ::setenv("HOME", "/home/listener", 1);
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

}  // namespace
}  // namespace quilvo
