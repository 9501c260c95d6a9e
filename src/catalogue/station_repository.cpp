#include "catalogue/station_repository.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <iterator>
#include <limits>
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

// Whether a URL's host part is an [IPv6] literal or a name or IPv4 address of URL characters.
bool isHost(std::string_view host) {
    if (host.starts_with('[')) {
        return host.size() > 2 && host.ends_with(']') &&
               host.substr(1, host.size() - 2).find_first_not_of("0123456789abcdefABCDEF:.") ==
                   std::string_view::npos;
    }
    constexpr std::string_view kMarks = "-._~!$&'()*+,;=%";
    return !host.empty() && std::ranges::all_of(host, [&](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return std::isalnum(byte) || byte >= 0x80 || kMarks.find(c) != std::string_view::npos;
    });
}

// An absolute URL written with a lower-case http or https scheme, a host, an optional port and
// no space or control character anywhere. Checked by hand: a URL library here would cost the
// player more memory than the whole check is worth.
bool isStreamUrl(const std::string& text) {
    std::string_view rest(text);
    if (!rest.starts_with("http://") && !rest.starts_with("https://")) {
        return false;
    }
    if (std::ranges::any_of(text, [](unsigned char c) { return c <= ' ' || c == 0x7f; })) {
        return false;
    }
    rest.remove_prefix(rest.find("//") + 2);
    std::string_view host = rest.substr(0, rest.find_first_of("/?#"));
    host.remove_prefix(host.rfind('@') + 1);  // user information, when there is any
    const auto colon = host.find(':', host.starts_with('[') ? host.find(']') : 0);
    if (colon != std::string_view::npos) {
        const std::string_view port = host.substr(colon + 1);
        unsigned value = 0;
        const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (!port.empty() &&
            (error != std::errc() || end != port.data() + port.size() || value > 65535)) {
            return false;
        }
        host = host.substr(0, colon);
    }
    return isHost(host);
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

std::optional<std::string> readFile(const std::filesystem::path& path, std::uintmax_t size) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    // Sized up front: grown as it is read, the buffer would stand in memory twice at its last
    // growth. The size is only a hint; the file may have changed since.
    std::string bytes(size, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (in.bad()) {
        return std::nullopt;
    }
    bytes.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return std::nullopt;
    }
    return bytes;
}

}  // namespace

// The table's offsets hold any catalogue's texts.
static_assert(kMaxCatalogueBytes <= std::numeric_limits<std::uint32_t>::max());

std::optional<StationTable> StationRepository::parse(std::string_view bytes) {
    // Each entry becomes a station as soon as it is parsed and leaves the document then, so a
    // large catalogue never stands in memory twice.
    StationTable result;
    std::unordered_set<std::string> seen;
    std::string rootKey;
    bool inStations = false;
    const json::parser_callback_t take = [&](int depth, json::parse_event_t event, json& parsed) {
        using enum json::parse_event_t;
        if (depth == 1 && event == key) {
            rootKey = parsed.get<std::string>();
        } else if (depth == 1 && event == array_start && rootKey == "stations") {
            // A repeated key counts as its last value, as in a whole document.
            inStations = true;
            result = {};
            seen.clear();
        } else if (depth == 1 && event == array_end) {
            inStations = false;
        } else if (depth == 2 && event == object_end && inStations) {
            result.add(stationOf(parsed, seen));
            return false;
        }
        return true;
    };
    json root;
    try {
        // Without exceptions the parser reports failure (syntax, invalid UTF-8) as a discarded
        // value; a broken rule throws from the callback.
        root = json::parse(bytes, take, /*allow_exceptions=*/false);
    } catch (const Rejected&) {
        return std::nullopt;
    }
    if (root.is_discarded() || !root.is_object()) {
        return std::nullopt;
    }
    // What is left in the array are entries that are no objects.
    const auto stations = root.find("stations");
    if (stations == root.end() || !stations->is_array() || !stations->empty() || result.empty()) {
        return std::nullopt;
    }
    return result;
}

StationRepository::StationRepository(const std::optional<std::filesystem::path>& catalogueFile) {
    std::optional<std::string> bytes;
    bool tooLarge = false;
    if (catalogueFile) {
        std::error_code ec;
        // A directory opens as a stream on Linux but is no catalogue.
        if (!std::filesystem::is_directory(*catalogueFile, ec)) {
            const auto size = std::filesystem::file_size(*catalogueFile, ec);
            tooLarge = !ec && size > kMaxCatalogueBytes;
            bytes =
                tooLarge ? std::optional<std::string>("") : readFile(*catalogueFile, ec ? 0 : size);
        }
    }
    if (!bytes) {
        loadError_ = std::string(kCatalogueMissing);
    } else if (auto parsed = tooLarge ? std::nullopt : parse(*bytes)) {
        stations_ = std::move(*parsed);
    } else {
        loadError_ = std::string(kCatalogueCorrupt);
    }
    if (loadError_) {
        for (const Station& station : fallbackStations()) {
            stations_.add(station);
        }
    }
    indexMoods();
}

void StationRepository::indexMoods() {
    for (std::size_t i = 0; i < stations_.size(); ++i) {
        if (stations_.active(i)) {
            for (const Mood mood : Mood::allCases()) {
                if (stations_.hasMood(i, mood)) {
                    activeByMood_[mood].push_back(i);
                }
            }
        }
    }
}

const std::vector<std::size_t>& StationRepository::activeIndices(Mood mood) const {
    static const std::vector<std::size_t> none;
    const auto found = activeByMood_.find(mood);
    return found == activeByMood_.end() ? none : found->second;
}

}  // namespace quilvo
