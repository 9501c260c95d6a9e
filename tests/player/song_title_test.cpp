#include "player/song_title.hpp"

#include <gtest/gtest.h>

#include <string>

namespace quilvo {

static std::string repeat(const std::string& piece, int times) {
    return times == 0 ? "" : piece + repeat(piece, times - 1);
}

// At most 200 user-perceived characters (not bytes or code points), valid UTF-8, not empty.
TEST(SongTitle, UsableTextIsShortValidAndNotEmpty) {
    const std::pair<std::string, bool> cases[] = {
        {repeat("歌", 200), true},
        {repeat("歌", 201), false},
        {repeat("\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7", 200), true},  // a flag: one character
        {" Artist - Title ", true},
        {"", false},
        {"Song \xFF", false},
        {"\xC0\xAF", false},       // overlong encoding
        {"Song \xE6\xAD", false},  // cut off mid-character
        {"\xED\xA0\x80", false}};  // lone surrogate
    for (const auto& [text, usable] : cases) {
        EXPECT_EQ(isUsableSongText(text), usable) << text;
    }
}

TEST(SongTitle, ReadsLastUsableTitleAndArtist) {
    const std::string title(kCommonKeyTitle);
    const std::string artist(kCommonKeyArtist);
    const SongTitle song = readSongTitle({{"First", title},
                                          {"Second", title},
                                          {repeat("x", 201), title},
                                          {"", artist},
                                          {"No key", std::nullopt},
                                          {std::nullopt, artist},
                                          {"Album", "albumName"},
                                          {"Band", artist}});
    EXPECT_EQ(songLine(song), "Second · Band");
    EXPECT_EQ(songLine({"T", std::nullopt}), "T");
    EXPECT_EQ(songLine({std::nullopt, "A"}), "A");
    EXPECT_EQ(songLine({}), std::nullopt);
}

}  // namespace quilvo
