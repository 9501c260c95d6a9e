#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "catalogue/mood.hpp"

namespace quilvo {

namespace command {
struct PlayMood {
    Mood mood;
};
struct Toggle {};
struct Next {};
struct Sleep {
    std::int64_t minutes;
};
struct Quit {};
struct Invalid {
    std::string message;
};
}  // namespace command

using Command = std::variant<command::PlayMood, command::Toggle, command::Next, command::Sleep,
                             command::Quit, command::Invalid>;

// One line of the scripting protocol: `mood <raw value>`, `toggle`, `next`, `sleep <0..1440>`,
// `quit`. Anything else is Invalid with a one-line message.
Command parseCommand(std::string_view line);

}  // namespace quilvo
