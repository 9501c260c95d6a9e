#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>

#include "cli/json_front_end.hpp"
#include "cli/terminal_front_end.hpp"
#include "player/player_fixture.hpp"

namespace quilvo::testing {
namespace {

// Both front ends on one player: JSON lines into `out` and `err`, the screen into a pipe.
class FrontEndTest : public PlayerTest {
  protected:
    void SetUp() override {
        PlayerTest::SetUp();
        ASSERT_EQ(pipe2(fds, O_NONBLOCK), 0);
        json = std::make_unique<JsonFrontEnd>(*model, loop, out, err, [this] { ++quits; });
        terminal =
            std::make_unique<TerminalFrontEnd>(*model, loop, fds[0], fds[1], [this] { ++quits; });
        json->start();
        terminal->start();
    }
    void TearDown() override {
        terminal.reset();
        close(fds[0]);
        close(fds[1]);
    }
    std::string screen() {
        std::string text;
        char buffer[65536];
        for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) {
            text.append(buffer, static_cast<std::size_t>(n));
        }
        return text;
    }
    std::ostringstream out;
    std::ostringstream err;
    int fds[2] = {-1, -1};
    int quits = 0;
    std::unique_ptr<JsonFrontEnd> json;
    std::unique_ptr<TerminalFrontEnd> terminal;
};

TEST_F(FrontEndTest, PrintsOneLinePerChangeWithTheOutcomeOfEachTurn) {
    json->input("mood ca");
    EXPECT_EQ(players.created.size(), 0U);
    json->input("lm\n");
    loop.runUntilIdle();
    connect();
    advance(1.0);
    EXPECT_EQ(
        out.str().substr(0, out.str().find('\n')),
        R"({"type":"state","mood":null,"station":null,"phase":"idle","song":null,"status":"","sleep":null})");
    // Mood, station, phase and song changed together: one line.
    EXPECT_EQ(std::ranges::count(out.str(), '\n'), 3);
}

TEST_F(FrontEndTest, UnknownCommandsAreRefusedAndEndOfInputRunsTheLastLine) {
    json->input("play calm\nsleep 5000\n\n");
    loop.runUntilIdle();
    EXPECT_EQ(std::ranges::count(out.str(), '\n'), 1);
    const std::string errors = err.str();
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 2);
    EXPECT_FALSE(model->currentMood());
    json->input("sleep 15\n");
    loop.runUntilIdle();
    EXPECT_TRUE(out.str().ends_with(R"("sleep":"还剩 15 分钟"})"
                                    "\n"));
    json->input("mood sleep");  // end of input runs the last line, then quits
    json->endOfInput();
    EXPECT_EQ(model->currentMood(), Mood::sleep);
    EXPECT_EQ(quits, 1);
}

TEST_F(FrontEndTest, KeysWorkLikeTheMoodButtonsAndTransport) {
    terminal->input("2");
    EXPECT_EQ(model->currentMood(), Mood::calm);
    const std::string first = station();
    terminal->input("2");
    EXPECT_NE(station(), first);
    EXPECT_EQ(stats.ofType("station_skip").size(), 1U);
    terminal->input("\x1b[");
    EXPECT_EQ(stats.ofType("station_skip").size(), 1U);
    terminal->input("C\x1b[D");
    EXPECT_EQ(stats.ofType("station_skip").size(), 3U);
    terminal->input(" ");
    EXPECT_EQ(model->phase(), PlayerModel::Phase::paused);
    for (const char* expected :
         {"还剩 15 分钟", "还剩 30 分钟", "还剩 60 分钟", "", "还剩 15 分钟"}) {
        terminal->input("s");  // the sleep key cycles 15, 30, 60 minutes and off
        EXPECT_EQ(model->sleepRemainText().value_or(""), expected);
    }
    terminal->input("q");
    EXPECT_EQ(quits, 1);
}

TEST_F(FrontEndTest, TitlesKeepTheirTextInJsonAndLoseTheirControlCodesOnScreen) {
    playConnected(Mood::bright);
    const std::string title = "a \"quoted\"\n\x1b]0;owned\x07 end";
    player()->deliverMetadata(std::vector<MetadataItem>{{title, std::string(kCommonKeyTitle)}});
    loop.runUntilIdle();
    const std::string text = screen();
    const std::string last = text.substr(text.rfind("\x1b[H"));
    EXPECT_NE(last.find("a \"quoted\"]0;owned end"), std::string::npos);
    EXPECT_NE(last.find("播放中"), std::string::npos);
    EXPECT_EQ(last.find("\x1b]"), std::string::npos);
}

}  // namespace
}  // namespace quilvo::testing
