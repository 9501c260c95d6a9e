#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "catalogue/station_repository.hpp"

namespace quilvo {
namespace {

using nlohmann::json;

json activeEntry(const std::string& id) {
    return {{"station_id", id},
            {"station_name", "N" + id},
            {"stream_url", "https://r.example/" + id},
            {"mood_ids", {"calm"}},
            {"primary_mood", "calm"},
            {"active", true}};
}

json inactiveEntry(const std::string& id) {
    return {{"station_id", id}, {"station_name", "Off " + id}, {"primary_mood", "sleep"}};
}

std::optional<std::vector<Station>> parseDoc(const json& doc) {
    const std::optional<StationTable> table = StationRepository::parse(doc.dump());
    if (!table) {
        return std::nullopt;
    }
    std::vector<Station> stations;
    for (std::size_t i = 0; i < table->size(); ++i) {
        stations.push_back((*table)[i]);
    }
    return stations;
}

TEST(CatalogueParse, AcceptsAValidDocumentInFileOrder) {
    json b = inactiveEntry("b");
    b["active"] = b["stream_url"] = b["mood_ids"] = b["homepage"] = b["source"] = nullptr;
    json c = activeEntry("c");
    c["mood_ids"] = {"sleep", "calm", "calm", "party"};
    c["homepage"] = "h";
    c["source"] = "s";
    c["unknown_key"] = {{"nested", 1}};
    const std::vector<Station> expected{
        {"a", "Na", "https://r.example/a", {}, {Mood::calm}, Mood::calm, {}, true},
        {"b", "Off b", "", {}, {}, Mood::sleep, {}, false},
        {"c", "Nc", "https://r.example/c", "h", {Mood::calm, Mood::sleep}, Mood::calm, "s", true}};
    EXPECT_EQ(parseDoc({{"stations", {activeEntry("a"), b, c}}, {"version", 3}}), expected);
    EXPECT_TRUE(parseDoc({{"stations", {inactiveEntry("a"), inactiveEntry("b")}}}));
}

// Each value in turn replaces a key of a valid entry (null leaves the key out); after the mark,
// whether an active and an inactive station survive it.
TEST(CatalogueParse, EntryRulesRejectWhatIsWrong) {
    const json table =
        json::parse(R"({"--": {"station_id": [7, null], "station_name": [null, false],
        "stream_url": [1], "mood_ids": ["calm", ["calm", 2]], "primary_mood": [1, null, "Calm"],
        "homepage": [3], "source": [["x"]], "active": [1, "true"]},
      "-+": {"stream_url": ["ftp://radio.example/a", "radio.example/a", "HTTPS://radio.example/a",
        "https://radio example/a", "", null], "mood_ids": [["party", "Calm"], []],
        "primary_mood": ["sleep"]},
      "++": {"stream_url": ["http://127.0.0.1:8000/live?x=1"]}})");
    for (const auto& [verdict, keys] : table.items()) {
        for (const auto& [key, values] : keys.items()) {
            for (const json& value : values) {
                for (const bool active : {true, false}) {
                    json entry = activeEntry("a");
                    entry["active"] = active;
                    entry.merge_patch({{key, value}});
                    EXPECT_EQ(parseDoc({{"stations", {entry}}}).has_value(),
                              verdict[active ? 0 : 1] == '+')
                        << (active ? "active " : "inactive ") << key << " " << value;
                }
            }
        }
    }
    EXPECT_FALSE(parseDoc({{"stations", {activeEntry("a"), inactiveEntry("a")}}}));
    EXPECT_TRUE(parseDoc({{"stations", {activeEntry("a"), inactiveEntry("A")}}}));
}

TEST(CatalogueParse, MalformedOrPathologicalDocumentsNeitherPassNorCrash) {
    std::string badUtf8 = json{{"stations", {activeEntry("a")}}}.dump();
    badUtf8.replace(badUtf8.find("Na"), 2, "N\xC3\x28");
    for (const std::string& text : std::vector<std::string>{
             "", " ", "null", "[]", "{}", "{\"stations\":null}", "{\"stations\":[]}",
             "{\"stations\":{}}", "{\"stations\":[1]}", "{\"stations\":[{}]}", "{\"stations\":[",
             "\xEF\xBB\xBF", badUtf8, std::string(200000, '[') + std::string(200000, ']')}) {
        EXPECT_FALSE(StationRepository::parse(text)) << text.substr(0, 40);
    }
    std::string deepInEntry = json{{"stations", {activeEntry("a")}}}.dump();
    deepInEntry.insert(deepInEntry.size() - 3,
                       ",\"x\":" + std::string(100000, '[') + std::string(100000, ']'));
    EXPECT_TRUE(StationRepository::parse(deepInEntry));

    json many = {{"stations", json::array()}};
    for (int i = 0; i < 20000; ++i) {
        many["stations"].push_back(activeEntry("s" + std::to_string(i)));
    }
    EXPECT_EQ(parseDoc(many).value_or(std::vector<Station>{}).size(), 20000U);
}

}  // namespace
}  // namespace quilvo
