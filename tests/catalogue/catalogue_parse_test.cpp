#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "catalogue/station_repository.hpp"

namespace quilvo {
namespace {

using nlohmann::json;

json activeEntry(const std::string& id) {
    return {{"station_id", id},
            {"station_name", "Name " + id},
            {"stream_url", "https://radio.example/" + id},
            {"mood_ids", {"calm"}},
            {"primary_mood", "calm"},
            {"active", true}};
}

json inactiveEntry(const std::string& id) {
    return {{"station_id", id}, {"station_name", "Off " + id}, {"primary_mood", "sleep"}};
}

std::optional<std::vector<Station>> parseDoc(const json& doc) {
    return StationRepository::parse(doc.dump());
}

std::optional<std::vector<Station>> parseEntry(const json& entry) {
    return parseDoc({{"stations", {entry}}});
}

TEST(CatalogueParse, AcceptsAValidDocumentInFileOrder) {
    json b = inactiveEntry("b");
    json c = activeEntry("c");
    c["mood_ids"] = {"sleep", "calm", "calm", "party"};
    c["homepage"] = "https://home.example/";
    c["source"] = "Src";
    c["unknown_key"] = {{"nested", 1}};
    const auto stations = parseDoc({{"stations", {activeEntry("a"), b, c}}, {"version", 3}});
    ASSERT_TRUE(stations);
    ASSERT_EQ(stations->size(), 3U);
    EXPECT_EQ((*stations)[0].id, "a");
    EXPECT_EQ((*stations)[1].id, "b");
    EXPECT_FALSE((*stations)[1].active);
    EXPECT_EQ((*stations)[1].urlString, "");
    EXPECT_TRUE((*stations)[1].moods.empty());
    EXPECT_EQ((*stations)[1].primary, Mood::sleep);
    EXPECT_EQ((*stations)[2].moods, (std::set<Mood>{Mood::calm, Mood::sleep}));
    EXPECT_EQ((*stations)[2].homepage, "https://home.example/");
    EXPECT_EQ((*stations)[2].source, "Src");
    EXPECT_FALSE((*stations)[0].homepage.has_value());
}

TEST(CatalogueParse, NullForAnOptionalKeyIsAbsent) {
    json e = activeEntry("a");
    e["homepage"] = nullptr;
    e["source"] = nullptr;
    auto stations = parseEntry(e);
    ASSERT_TRUE(stations);
    EXPECT_FALSE((*stations)[0].homepage.has_value());

    json off = inactiveEntry("b");
    off["active"] = nullptr;
    off["stream_url"] = nullptr;
    off["mood_ids"] = nullptr;
    stations = parseEntry(off);
    ASSERT_TRUE(stations);
    EXPECT_FALSE((*stations)[0].active);
}

TEST(CatalogueParse, AllInactiveIsAccepted) {
    const auto stations = parseDoc({{"stations", {inactiveEntry("a"), inactiveEntry("b")}}});
    ASSERT_TRUE(stations);
    EXPECT_EQ(stations->size(), 2U);
}

TEST(CatalogueParse, TypeMismatchesAndMissingOrNullRequiredKeysReject) {
    const std::vector<std::pair<const char*, json>> changes = {
        {"station_id", 7},         {"station_id", nullptr}, {"station_name", nullptr},
        {"station_name", false},   {"stream_url", 1},       {"mood_ids", "calm"},
        {"mood_ids", {"calm", 2}}, {"primary_mood", 1},     {"homepage", 3},
        {"source", {"x"}},         {"active", 1},           {"active", "true"},
    };
    for (const auto& [key, value] : changes) {
        json e = activeEntry("a");
        e[key] = value;
        EXPECT_FALSE(parseEntry(e)) << key << " = " << value.dump();
    }
    for (const char* key : {"station_id", "station_name"}) {
        json e = activeEntry("a");
        e.erase(key);
        EXPECT_FALSE(parseEntry(e)) << "without " << key;
    }
}

TEST(CatalogueParse, ActiveStationRulesRejectButInactiveOnesPass) {
    const std::vector<std::pair<const char*, json>> changes = {
        {"stream_url", "ftp://radio.example/a"},
        {"stream_url", "radio.example/a"},
        {"stream_url", "HTTPS://radio.example/a"},
        {"stream_url", "https://radio example/a"},
        {"stream_url", ""},
        {"mood_ids", {"party", "Calm"}},
        {"mood_ids", json::array()},
        {"primary_mood", "sleep"},
    };
    for (const auto& [key, value] : changes) {
        json e = activeEntry("a");
        e[key] = value;
        EXPECT_FALSE(parseEntry(e)) << key << " = " << value.dump();
        e["active"] = false;
        EXPECT_TRUE(parseEntry(e)) << "inactive " << key << " = " << value.dump();
    }
    json noUrl = activeEntry("a");
    noUrl.erase("stream_url");
    EXPECT_FALSE(parseEntry(noUrl));

    json http = activeEntry("a");
    http["stream_url"] = "http://127.0.0.1:8000/live?x=1";
    EXPECT_TRUE(parseEntry(http));
}

TEST(CatalogueParse, PrimaryMoodIsRequiredForEveryStation) {
    for (json e : {activeEntry("a"), inactiveEntry("a")}) {
        e.erase("primary_mood");
        EXPECT_FALSE(parseEntry(e));
        e["primary_mood"] = "Calm";
        EXPECT_FALSE(parseEntry(e));
    }
}

TEST(CatalogueParse, DuplicateIdentifiersRejectEvenWhenInactive) {
    EXPECT_FALSE(parseDoc({{"stations", {activeEntry("a"), inactiveEntry("a")}}}));
    EXPECT_TRUE(parseDoc({{"stations", {activeEntry("a"), inactiveEntry("A")}}}));
}

TEST(CatalogueParse, MalformedDocumentsReject) {
    for (const std::string text : {"", " ", "null", "[]", "{}", "{\"stations\":null}",
                                   "{\"stations\":[]}", "{\"stations\":{}}", "{\"stations\":[1]}",
                                   "{\"stations\":[{}]}", "{\"stations\":[", "\xEF\xBB\xBF"}) {
        EXPECT_FALSE(StationRepository::parse(text)) << text;
    }
    // Invalid UTF-8 inside a string.
    std::string doc = json{{"stations", {activeEntry("a")}}}.dump();
    doc.replace(doc.find("Name a"), 6, "Na\xC3\x28me");
    EXPECT_FALSE(StationRepository::parse(doc));
}

TEST(CatalogueParse, PathologicalInputNeitherCrashesNorHangs) {
    const std::string deep = std::string(200000, '[') + std::string(200000, ']');
    EXPECT_FALSE(StationRepository::parse(deep));
    std::string deepInEntry = json{{"stations", {activeEntry("a")}}}.dump();
    deepInEntry.insert(deepInEntry.size() - 3,
                       ",\"x\":" + std::string(100000, '[') + std::string(100000, ']'));
    EXPECT_TRUE(StationRepository::parse(deepInEntry));

    json many = {{"stations", json::array()}};
    for (int i = 0; i < 20000; ++i) {
        many["stations"].push_back(activeEntry("s" + std::to_string(i)));
    }
    const auto stations = parseDoc(many);
    ASSERT_TRUE(stations);
    EXPECT_EQ(stations->size(), 20000U);
}

}  // namespace
}  // namespace quilvo
