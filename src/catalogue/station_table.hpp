#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/station.hpp"

namespace quilvo {

// Stations held compactly: the texts of all of them in one buffer and a small fixed record
// each. A catalogue of hundreds of thousands of stations then takes two blocks of memory, which
// are freed at once, instead of several small allocations per station.
class StationTable {
  public:
    // Throws std::length_error past 4 GiB of texts in all, which the offsets cannot address.
    void add(const Station& station);

    std::size_t size() const { return records_.size(); }
    bool empty() const { return records_.empty(); }
    // A copy of the station at `i`, built on each call.
    Station operator[](std::size_t i) const;
    std::string_view id(std::size_t i) const { return text(i, kId); }
    bool active(std::size_t i) const { return records_[i].active; }
    bool hasMood(std::size_t i, Mood mood) const {
        return (records_[i].moods & (1U << mood.index())) != 0;
    }

  private:
    enum Field { kId, kName, kUrl, kHomepage, kSource, kFields };
    struct Record {
        // Field f's text runs from bounds[f] to bounds[f + 1] in `text_`.
        std::array<std::uint32_t, kFields + 1> bounds{};
        std::uint8_t moods = 0;  // bit i: the mood of index i
        Mood primary = Mood::calm;
        bool active : 1 = false;
        bool hasHomepage : 1 = false;
        bool hasSource : 1 = false;
    };

    std::string_view text(std::size_t i, Field field) const {
        const Record& record = records_[i];
        return std::string_view(text_).substr(record.bounds[field],
                                              record.bounds[field + 1] - record.bounds[field]);
    }

    std::string text_;
    std::vector<Record> records_;
};

}  // namespace quilvo
