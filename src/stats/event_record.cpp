#include "stats/event_record.hpp"

#include <array>
#include <charconv>

namespace quilvo {

EventRecord makeEventRecord(const EventFields& fields, const EventIdentity& identity) {
    EventRecord record{
        {"event_id", identity.eventId},
        {"ts", std::to_string(millisecondsSinceEpoch(fields.at))},
        {"type", fields.type},
        {"platform", identity.platform},
        {"app_version", identity.appVersion},
        {"os_version", identity.osVersion},
        {"device_key", identity.deviceKey},
    };
    if (fields.mood) {
        record.emplace_back("mood", *fields.mood);
    }
    if (fields.stationId) {
        record.emplace_back("station_id", *fields.stationId);
    }
    if (fields.ok) {
        record.emplace_back("ok", *fields.ok ? "1" : "0");
    }
    if (fields.ms) {
        record.emplace_back("ms", std::to_string(*fields.ms));
    }
    if (fields.minutes) {
        record.emplace_back("minutes", formatMinutes(*fields.minutes));
    }
    return record;
}

std::string encode(const EventRecord& record) {
    std::string text = "{";
    for (const auto& [key, value] : record) {
        if (text.size() > 1) {
            text += ',';
        }
        text += '"';
        text += escape(key);
        text += "\":\"";
        text += escape(value);
        text += '"';
    }
    text += '}';
    return text;
}

std::string escape(std::string_view text) {
    static constexpr std::string_view kHex = "0123456789abcdef";
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '"':
                escaped += "\\\"";
                break;
            case '\\':
                escaped += "\\\\";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\r':
                escaped += "\\r";
                break;
            case '\t':
                escaped += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    escaped += "\\u00";
                    escaped += kHex[static_cast<unsigned char>(c) >> 4];
                    escaped += kHex[static_cast<unsigned char>(c) & 0xF];
                } else {
                    escaped += c;
                }
        }
    }
    return escaped;
}

std::string formatMinutes(double minutes) {
    // Room for the longest double in fixed notation.
    std::array<char, 320> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), minutes,
                                      std::chars_format::fixed, 2);
    return std::string(buffer.data(), result.ptr);
}

std::int64_t millisecondsSinceEpoch(WallInstant at) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count();
}

}  // namespace quilvo
