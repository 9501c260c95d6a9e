#pragma once

#include <string>

#include "player/player_model.hpp"

namespace quilvo {

// The published state as one JSON line:
// {"type":"state","mood":…,"station":…,"phase":…,"song":…,"status":…,"sleep":…}
std::string stateLine(const PlayerModel& model);

// A recorded statistics event (already a JSON object) wrapped as {"type":"stat","event":…}.
std::string statLine(const std::string& event);

// The one line of text the player shows: the message, else the slogan without a mood, else the
// song (a space when there is none).
std::string sharedLineText(const PlayerModel& model);

}  // namespace quilvo
