#include <algorithm>
#include <limits>
#include <string>
#include <utility>

#include "player/player_model.hpp"
#include "player/status_texts.hpp"

namespace quilvo {

namespace {

constexpr Seconds kRandomMoodTextShown{4.0};
constexpr Seconds kRoundLength{25.0};

}  // namespace

std::size_t PlayerModel::randomIndex(std::size_t bound) {
    // uniform_int_distribution wants a generator type; this one draws from the injected source.
    struct Source {
        using result_type = std::uint64_t;
        static constexpr result_type min() { return 0; }
        static constexpr result_type max() { return std::numeric_limits<result_type>::max(); }
        result_type operator()() { return random(); }
        std::function<std::uint64_t()>& random;
    };
    Source source{services_.random};
    return std::uniform_int_distribution<std::size_t>(0, bound - 1)(source);
}

void PlayerModel::openRound() {
    roundStations_.clear();
    roundDeadline_ = now() + kRoundLength;
}

std::optional<Station> PlayerModel::drawNext(Mood mood, const std::optional<Station>& avoid) {
    // Amortised constant time whatever the catalogue's size: a draw passes over the stations
    // that failed since the deal, and a deal happens once per cycle.
    const StationTable& stations = repository_.stations();
    const auto eligible = [&](std::size_t i) { return !failedRecently(stations.id(i)); };
    std::vector<std::size_t>& queue = queues_[mood];
    while (!queue.empty() && !eligible(queue.back())) {
        queue.pop_back();
    }
    if (queue.empty()) {
        for (const std::size_t i : repository_.activeIndices(mood)) {
            if (eligible(i)) {
                queue.push_back(i);
            }
        }
        if (queue.empty()) {
            return std::nullopt;
        }
        for (std::size_t i = queue.size() - 1; i > 0; --i) {
            std::swap(queue[i], queue[randomIndex(i + 1)]);
        }
        // A fresh cycle must not open with the station that is playing.
        if (avoid && queue.size() >= 2 && stations.id(queue.back()) == avoid->id) {
            std::swap(queue.front(), queue.back());
        }
    }
    const std::size_t next = queue.back();
    queue.pop_back();
    return stations[next];
}

void PlayerModel::playMood(Mood mood) {
    setStatusText("");
    if (currentMood_ && *currentMood_ != mood) {
        closeSession();
    }
    track("mood_selected", mood);
    setCurrentMood(mood);
    userPaused_ = false;
    if (auto station = drawRequested(mood)) {
        playStation(*station, Start::request);
    } else {
        setStatusText(std::string(kNoStationText));
    }
}

void PlayerModel::playRandomMood() {
    const Mood mood = Mood::allCases()[randomIndex(Mood::allCases().size())];
    playMood(mood);
    if (statusText_.find(kNoStationMarker) != std::string::npos) {
        return;
    }
    std::string text = std::string(kRandomMoodPrefix) + std::string(mood.displayName());
    setStatusText(text);
    services_.loop.postAfter(kRandomMoodTextShown, [weak = weak_from_this(), text] {
        if (auto self = weak.lock(); self && self->statusText_ == text) {
            self->setStatusText("");
        }
    });
}

void PlayerModel::shuffleStation() {
    if (!currentMood_) {
        return;
    }
    setStatusText("");
    track("station_skip", currentMood_,
          currentStation_ ? std::optional(currentStation_->id) : std::nullopt);
    if (auto station = drawRequested(*currentMood_)) {
        playStation(*station, Start::request);
    } else {
        setStatusText(std::string(kNoStationText));
    }
}

}  // namespace quilvo
