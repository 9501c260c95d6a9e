#include <algorithm>
#include <vector>

#include "player/player_model.hpp"

namespace quilvo {

namespace {

// Long enough that automatic attempts leave a dead station alone, short enough that "try again
// later" comes true in a program that runs for days.
constexpr Seconds kFailedStationOut{30 * 60.0};

}  // namespace

void PlayerModel::markFailed(const std::string& id) {
    sessionFailed_.insert_or_assign(id, now());
}

bool PlayerModel::failedRecently(std::string_view id) const {
    const auto failed = sessionFailed_.find(id);
    return failed != sessionFailed_.end() &&
           secondsBetween(failed->second, now()) < kFailedStationOut;
}

std::optional<Station> PlayerModel::drawRequested(Mood mood) {
    if (auto station = drawNext(mood, currentStation_)) {
        return station;
    }
    // The listener asked: rather than nothing, the station that failed longest ago, and not the
    // one playing while there is another.
    const StationTable& stations = repository_.stations();
    std::vector<std::size_t> out;
    for (const std::size_t i : repository_.activeIndices(mood)) {
        if (sessionFailed_.contains(stations.id(i))) {
            out.push_back(i);
        }
    }
    std::ranges::sort(out, {},
                      [&](std::size_t i) { return sessionFailed_.find(stations.id(i))->second; });
    if (out.size() >= 2 && currentStation_ && stations.id(out.front()) == currentStation_->id) {
        return stations[out[1]];
    }
    return out.empty() ? std::nullopt : std::optional(stations[out.front()]);
}

}  // namespace quilvo
