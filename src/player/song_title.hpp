#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/audio_player.hpp"

namespace quilvo {

// Longest stream text shown, in user-perceived characters.
inline constexpr std::size_t kMaxSongTextCharacters = 200;

// Song title and artist as read from a stream's timed metadata.
struct SongTitle {
    std::optional<std::string> title;
    std::optional<std::string> artist;
};

// Whether `text` is non-empty valid UTF-8 of at most kMaxSongTextCharacters grapheme clusters.
bool isUsableSongText(std::string_view text);

// The last usable title and artist items of `items`, in list order; other items are skipped.
SongTitle readSongTitle(const std::vector<MetadataItem>& items);

// Title and artist joined by " · ", whichever are present; absent when neither is.
std::optional<std::string> songLine(const SongTitle& song);

}  // namespace quilvo
