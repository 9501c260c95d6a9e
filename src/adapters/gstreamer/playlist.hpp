#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quilvo {

// The most a playlist may be; a longer answer is no playlist.
inline constexpr std::size_t kPlaylistMaxBytes = 64 * 1024;
// Mirrors beyond these are not tried: each may cost a connection within the connect timeout.
inline constexpr std::size_t kPlaylistMaxEntries = 10;

// The entries of a PLS, M3U, XSPF or ASX playlist, told apart by its first bytes and then by its
// Content-Type, resolved against `base` (the URL it came from after redirects). Only http and
// https entries, each once, in the playlist's order. Empty when the answer is no playlist, and
// for HLS, which the player plays itself. XML is read without DTDs or entities.
std::vector<std::string> playlistEntries(std::string_view contentType, std::string_view body,
                                         const std::string& base);

}  // namespace quilvo
