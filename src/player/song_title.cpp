#include "player/song_title.hpp"

#include <utf8proc.h>

namespace quilvo {

bool isUsableSongText(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
    auto left = static_cast<utf8proc_ssize_t>(text.size());
    std::size_t clusters = 0;
    utf8proc_int32_t previous = -1;
    utf8proc_int32_t state = 0;
    while (left > 0) {
        utf8proc_int32_t codepoint = 0;
        const utf8proc_ssize_t used = utf8proc_iterate(bytes, left, &codepoint);
        // Titles come from the network: malformed text is not shown at all.
        if (used <= 0) {
            return false;
        }
        if (previous < 0 || utf8proc_grapheme_break_stateful(previous, codepoint, &state)) {
            if (++clusters > kMaxSongTextCharacters) {
                return false;
            }
        }
        previous = codepoint;
        bytes += used;
        left -= used;
    }
    return true;
}

SongTitle readSongTitle(const std::vector<MetadataItem>& items) {
    SongTitle song;
    for (const MetadataItem& item : items) {
        if (!item.stringValue || !isUsableSongText(*item.stringValue) || !item.commonKey) {
            continue;
        }
        if (*item.commonKey == kCommonKeyTitle) {
            song.title = item.stringValue;
        } else if (*item.commonKey == kCommonKeyArtist) {
            song.artist = item.stringValue;
        }
    }
    return song;
}

std::optional<std::string> songLine(const SongTitle& song) {
    if (song.title && song.artist) {
        return *song.title + " · " + *song.artist;
    }
    return song.title ? song.title : song.artist;
}

}  // namespace quilvo
