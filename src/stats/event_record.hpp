#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/clock.hpp"

namespace quilvo {

// One usage event: text members in the order they are written.
using EventRecord = std::vector<std::pair<std::string, std::string>>;

// What a `track` call was given, taken on the caller's thread.
struct EventFields {
    std::string type;
    std::optional<std::string> mood;
    std::optional<std::string> stationId;
    std::optional<bool> ok;
    std::optional<std::int64_t> ms;
    std::optional<double> minutes;
    WallInstant at;
};

// The members every event carries besides its type and time.
struct EventIdentity {
    std::string eventId;
    std::string platform;
    std::string appVersion;
    std::string osVersion;
    std::string deviceKey;
};

EventRecord makeEventRecord(const EventFields& fields, const EventIdentity& identity);

// One-line JSON object text of a record.
std::string encode(const EventRecord& record);

// JSON string escaping: quote, backslash, \n, \r, \t and every other control character below
// U+0020 as \u00xx, so a stored event is always valid JSON. Everything else is copied.
std::string escape(std::string_view text);

// Two decimals with a point, whatever the locale.
std::string formatMinutes(double minutes);

// Whole milliseconds since 1970, truncated toward zero.
std::int64_t millisecondsSinceEpoch(WallInstant at);

}  // namespace quilvo
