#include "catalogue/station_repository.hpp"

#include <curl/curl.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>
#include <unordered_set>

namespace quilvo {

namespace {

using nlohmann::json;

// Any rule broken anywhere rejects the whole document.
struct Rejected {};

// A required string member.
const std::string& requiredString(const json& entry, const char* key) {
    const auto it = entry.find(key);
    if (it == entry.end() || !it->is_string()) {
        throw Rejected{};
    }
    return it->get_ref<const std::string&>();
}

// An optional member: absent or null is absent; any other type than `check` accepts rejects.
const json* optionalMember(const json& entry, const char* key,
                           bool (json::*check)() const noexcept) {
    const auto it = entry.find(key);
    if (it == entry.end() || it->is_null()) {
        return nullptr;
    }
    if (!((*it).*check)()) {
        throw Rejected{};
    }
    return &*it;
}

std::optional<std::string> optionalString(const json& entry, const char* key) {
    const json* value = optionalMember(entry, key, &json::is_string);
    if (value == nullptr) {
        return std::nullopt;
    }
    return value->get<std::string>();
}

std::set<Mood> moodsOf(const json& entry) {
    std::set<Mood> moods;
    const json* ids = optionalMember(entry, "mood_ids", &json::is_array);
    if (ids == nullptr) {
        return moods;
    }
    for (const json& id : *ids) {
        if (!id.is_string()) {
            throw Rejected{};
        }
        if (auto mood = Mood::fromRawValue(id.get_ref<const std::string&>())) {
            moods.insert(*mood);
        }
    }
    return moods;
}

// An absolute URL that a real parser accepts, written with a lower-case http or https scheme.
bool isStreamUrl(const std::string& text) {
    const auto colon = text.find(':');
    if (colon == std::string::npos) {
        return false;
    }
    const std::string_view scheme(text.data(), colon);
    if (scheme != "http" && scheme != "https") {
        return false;
    }
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> url(curl_url(), &curl_url_cleanup);
    return url && curl_url_set(url.get(), CURLUPART_URL, text.c_str(), 0) == CURLUE_OK;
}

Station stationOf(const json& entry, std::unordered_set<std::string>& seen) {
    if (!entry.is_object()) {
        throw Rejected{};
    }
    const std::string& id = requiredString(entry, "station_id");
    const std::string& name = requiredString(entry, "station_name");
    const std::optional<std::string> url = optionalString(entry, "stream_url");
    const std::optional<std::string> primaryText = optionalString(entry, "primary_mood");
    const std::optional<std::string> homepage = optionalString(entry, "homepage");
    const std::optional<std::string> source = optionalString(entry, "source");
    const json* activeFlag = optionalMember(entry, "active", &json::is_boolean);
    const bool active = activeFlag != nullptr && activeFlag->get<bool>();
    std::set<Mood> moods = moodsOf(entry);

    if (!seen.insert(id).second) {
        throw Rejected{};
    }
    const std::optional<Mood> primary =
        primaryText ? Mood::fromRawValue(*primaryText) : std::optional<Mood>{};
    if (!primary) {
        throw Rejected{};
    }
    if (active && (!url || !isStreamUrl(*url) || moods.empty() || !moods.contains(*primary))) {
        throw Rejected{};
    }
    return Station{id,     name,  url.value_or(""), homepage, std::move(moods), *primary,
                   source, active};
}

std::optional<std::string> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return std::nullopt;
    }
    return bytes;
}

}  // namespace

std::optional<std::vector<Station>> StationRepository::parse(std::string_view bytes) {
    // Without exceptions the parser reports failure (syntax, invalid UTF-8) as a discarded value.
    const json root = json::parse(bytes, nullptr, /*allow_exceptions=*/false);
    if (root.is_discarded() || !root.is_object()) {
        return std::nullopt;
    }
    const auto stations = root.find("stations");
    if (stations == root.end() || !stations->is_array() || stations->empty()) {
        return std::nullopt;
    }
    std::vector<Station> result;
    result.reserve(stations->size());
    std::unordered_set<std::string> seen;
    try {
        for (const json& entry : *stations) {
            result.push_back(stationOf(entry, seen));
        }
    } catch (const Rejected&) {
        return std::nullopt;
    }
    return result;
}

StationRepository::StationRepository(const std::optional<std::filesystem::path>& catalogueFile) {
    std::optional<std::string> bytes;
    if (catalogueFile) {
        std::error_code ec;
        // A directory opens as a stream on Linux but is no catalogue.
        if (!std::filesystem::is_directory(*catalogueFile, ec)) {
            bytes = readFile(*catalogueFile);
        }
    }
    if (!bytes) {
        loadError_ = std::string(kCatalogueMissing);
    } else if (auto parsed = parse(*bytes)) {
        stations_ = std::move(*parsed);
        return;
    } else {
        loadError_ = std::string(kCatalogueCorrupt);
    }
    stations_ = fallbackStations();
}

std::vector<Station> StationRepository::active() const {
    std::vector<Station> result;
    for (const Station& s : stations_) {
        if (s.active) {
            result.push_back(s);
        }
    }
    return result;
}

}  // namespace quilvo
