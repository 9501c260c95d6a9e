#pragma once

#include <optional>
#include <set>
#include <string>

#include "catalogue/mood.hpp"

namespace quilvo {

// One playable stream with its catalogue data. Validation is the catalogue's job.
struct Station {
    std::string id;
    std::string name;
    std::string urlString;
    std::optional<std::string> homepage;
    std::set<Mood> moods;
    Mood primary = Mood::calm;
    std::optional<std::string> source;
    bool active = false;

    friend bool operator==(const Station&, const Station&) = default;
};

}  // namespace quilvo
