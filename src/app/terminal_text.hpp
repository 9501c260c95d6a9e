#pragma once

#include <string>
#include <string_view>

namespace quilvo {

// `text` without control characters (C0, DEL and C1, escape included), so that text from a
// stream or a catalogue can never move the cursor or change the terminal. Invalid UTF-8 bytes
// become U+FFFD.
std::string printable(std::string_view text);

}  // namespace quilvo
