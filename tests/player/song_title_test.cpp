#include <gtest/gtest.h>

#include <string>

#include "player/song_title.hpp"

namespace quilvo {
namespace {

std::string repeat(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

TEST(SongTitle, CountsUserPerceivedCharactersNotBytesOrCodePoints) {
    EXPECT_TRUE(isUsableSongText(repeat("歌", 200)));
    EXPECT_FALSE(isUsableSongText(repeat("歌", 201)));
    // "e" with a combining acute accent, and a flag: two code points, one character each.
    EXPECT_TRUE(isUsableSongText(repeat("e\xCC\x81", 200)));
    EXPECT_FALSE(isUsableSongText(repeat("e\xCC\x81", 201)));
    EXPECT_TRUE(isUsableSongText(repeat("\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7", 200)));
}

TEST(SongTitle, RejectsEmptyAndMalformedText) {
    EXPECT_FALSE(isUsableSongText(""));
    EXPECT_FALSE(isUsableSongText("Song \xFF"));
    EXPECT_FALSE(isUsableSongText("\xC0\xAF"));       // overlong encoding
    EXPECT_FALSE(isUsableSongText("Song \xE6\xAD"));  // cut off mid-character
    EXPECT_FALSE(isUsableSongText("\xED\xA0\x80"));   // lone surrogate
    EXPECT_TRUE(isUsableSongText(" Artist - Title "));
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
    EXPECT_EQ(song.title, "Second");
    EXPECT_EQ(song.artist, "Band");
    EXPECT_EQ(songLine(song), "Second · Band");
    EXPECT_EQ(songLine({"T", std::nullopt}), "T");
    EXPECT_EQ(songLine({std::nullopt, "A"}), "A");
    EXPECT_EQ(songLine({}), std::nullopt);
}

}  // namespace
}  // namespace quilvo
