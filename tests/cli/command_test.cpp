#include <gtest/gtest.h>

#include "app/terminal_text.hpp"
#include "cli/command.hpp"

namespace quilvo {
namespace {

// Every command the lab sends (toggle, next, quit, sleep 0 and 1440) is parsed there.
TEST(CliCommand, ParsesTheProtocolAndRefusesAnythingElseWithOneLine) {
    EXPECT_EQ(std::get<command::PlayMood>(parseCommand("  mood\tsleep \r")).mood, Mood::sleep);
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
    EXPECT_EQ(printable("Song \x1b[31mred\x1b[0m\r\n\a C1 \xC2\x9B"
                        "31m 静 · 雨 bad \xFF byte"),
              "Song [31mred[0m C1 31m 静 · 雨 bad \xEF\xBF\xBD byte");
}

}  // namespace
}  // namespace quilvo
