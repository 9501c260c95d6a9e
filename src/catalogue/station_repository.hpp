#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/station.hpp"
#include "catalogue/station_table.hpp"

namespace quilvo {

inline constexpr std::string_view kCatalogueMissing = "未找到内置电台配置，已回退默认清单";
inline constexpr std::string_view kCatalogueCorrupt = "内置电台配置损坏，已回退默认清单";

// A larger catalogue file is refused like a corrupt one: it would cost the player more memory
// than a desktop should give it (about twice the file's size while loading).
inline constexpr std::uintmax_t kMaxCatalogueBytes = 128 * 1024 * 1024;

// The 25 built-in stations, used when the catalogue file cannot be used.
const std::vector<Station>& fallbackStations();

// The loaded catalogue. Never empty after construction.
class StationRepository {
  public:
    // Loads `catalogueFile` (absent: no catalogue was found), falling back to the built-in list.
    explicit StationRepository(const std::optional<std::filesystem::path>& catalogueFile);

    const StationTable& stations() const { return stations_; }
    const std::optional<std::string>& loadError() const { return loadError_; }
    // Where in `stations()` the active stations of `mood` are, in catalogue order.
    const std::vector<std::size_t>& activeIndices(Mood mood) const;

    // Validates a whole catalogue document; absent when it is rejected.
    static std::optional<StationTable> parse(std::string_view bytes);

  private:
    void indexMoods();

    StationTable stations_;
    std::optional<std::string> loadError_;
    std::map<Mood, std::vector<std::size_t>> activeByMood_;
};

// Where the shipped catalogue lives relative to an executable in `<prefix>/bin`:
// `<prefix>/share/quilvo/stations.json`. Absent when no such file exists.
std::optional<std::filesystem::path> shippedCataloguePath();

}  // namespace quilvo
