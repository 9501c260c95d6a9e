#include <gtest/gtest.h>

#include "cli/command.hpp"
#include "app/terminal_text.hpp"

namespace quilvo {
namespace {

TEST(CliCommand, ParsesTheProtocol) {
    EXPECT_EQ(std::get<command::PlayMood>(parseCommand("mood calm")).mood, Mood::calm);
    EXPECT_EQ(std::get<command::PlayMood>(parseCommand("  mood\tsleep \r")).mood, Mood::sleep);
    EXPECT_TRUE(std::holds_alternative<command::Toggle>(parseCommand("toggle")));
    EXPECT_TRUE(std::holds_alternative<command::Next>(parseCommand("next")));
    EXPECT_TRUE(std::holds_alternative<command::Quit>(parseCommand("quit")));
    EXPECT_EQ(std::get<command::Sleep>(parseCommand("sleep 15")).minutes, 15);
    EXPECT_EQ(std::get<command::Sleep>(parseCommand("sleep 0")).minutes, 0);
    EXPECT_EQ(std::get<command::Sleep>(parseCommand("sleep 1440")).minutes, 1440);
}

TEST(CliCommand, RefusesAnythingElseWithOneLine) {
    for (const char* line : {"", "mood", "mood Calm", "mood calm extra", "sleep", "sleep -1",
                             "sleep 1441", "sleep 1.5", "sleep 15x", "sleep 99999999999999999999",
                             "toggle now", "Toggle", "play", "next\x1b[2J"}) {
        const Command c = parseCommand(line);
        ASSERT_TRUE(std::holds_alternative<command::Invalid>(c)) << line;
        const std::string& message = std::get<command::Invalid>(c).message;
        EXPECT_FALSE(message.empty());
        EXPECT_EQ(message.find('\n'), std::string::npos);
    }
}

TEST(TerminalText, RemovesControlCharactersAndRepairsBadBytes) {
    EXPECT_EQ(printable("Song \x1b[31mred\x1b[0m\r\n\a"), "Song [31mred[0m");
    EXPECT_EQ(printable("C1 \xC2\x9B"
                        "31m end"),
              "C1 31m end");
    EXPECT_EQ(printable("静 · 雨"), "静 · 雨");
    EXPECT_EQ(printable("bad \xFF byte"), "bad \xEF\xBF\xBD byte");
}

}  // namespace
}  // namespace quilvo
