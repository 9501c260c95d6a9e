#include "catalogue/station_table.hpp"

#include <limits>
#include <stdexcept>

namespace quilvo {

void StationTable::add(const Station& station) {
    const auto optional = [](const std::optional<std::string>& text) {
        return text ? std::string_view(*text) : std::string_view();
    };
    const std::string_view fields[kFields] = {station.id, station.name, station.urlString,
                                              optional(station.homepage), optional(station.source)};
    Record record{};
    record.bounds[0] = static_cast<std::uint32_t>(text_.size());
    for (int f = 0; f < kFields; ++f) {
        if (fields[f].size() > std::numeric_limits<std::uint32_t>::max() - text_.size()) {
            throw std::length_error("station texts beyond 4 GiB");
        }
        text_ += fields[f];
        record.bounds[f + 1] = static_cast<std::uint32_t>(text_.size());
    }
    for (const Mood mood : station.moods) {
        record.moods |= static_cast<std::uint8_t>(1U << mood.index());
    }
    record.primary = station.primary;
    record.active = station.active;
    record.hasHomepage = station.homepage.has_value();
    record.hasSource = station.source.has_value();
    records_.push_back(record);
}

Station StationTable::operator[](std::size_t i) const {
    const Record& record = records_[i];
    Station station{std::string(text(i, kId)),
                    std::string(text(i, kName)),
                    std::string(text(i, kUrl)),
                    std::nullopt,
                    {},
                    record.primary,
                    std::nullopt,
                    record.active};
    if (record.hasHomepage) {
        station.homepage = std::string(text(i, kHomepage));
    }
    if (record.hasSource) {
        station.source = std::string(text(i, kSource));
    }
    for (const Mood mood : Mood::allCases()) {
        if (hasMood(i, mood)) {
            station.moods.insert(mood);
        }
    }
    return station;
}

}  // namespace quilvo
