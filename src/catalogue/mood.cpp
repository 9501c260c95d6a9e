#include "catalogue/mood.hpp"

namespace quilvo {

namespace {

struct MoodInfo {
    std::string_view raw;
    std::string_view displayName;
    std::string_view feel;
    Tint tint;
};

constexpr std::array<MoodInfo, 4> kInfo{{
    {"bright", "悦", "轻松愉悦", {0.95, 0.62, 0.22}},
    {"calm", "静", "安定专注", {0.42, 0.66, 0.60}},
    {"energy", "燃", "节奏能量", {0.90, 0.38, 0.30}},
    {"sleep", "眠", "舒缓入睡", {0.50, 0.44, 0.68}},
}};

}  // namespace

std::optional<Mood> Mood::fromRawValue(std::string_view raw) {
    for (Mood m : allCases()) {
        if (kInfo[m.index()].raw == raw) {
            return m;
        }
    }
    return std::nullopt;
}

std::string_view Mood::rawValue() const {
    return kInfo[index()].raw;
}
std::string_view Mood::displayName() const {
    return kInfo[index()].displayName;
}
std::string_view Mood::feel() const {
    return kInfo[index()].feel;
}
Tint Mood::tint() const {
    return kInfo[index()].tint;
}

}  // namespace quilvo
