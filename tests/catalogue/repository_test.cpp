#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "catalogue/station_repository.hpp"
#include "support/temp_dir.hpp"

namespace quilvo {
namespace {

namespace fs = std::filesystem;

TEST(StationRepository, UsesAnAcceptedFileOrFallsBackWithTheRightMessage) {
    const testing::TempDir dir;
    std::ofstream(dir / "stations.json") << R"({"stations":[
  {"station_id":"a","station_name":"A","stream_url":"https://r.example/a","mood_ids":["calm"],"primary_mood":"calm","active":true},
  {"station_id":"b","station_name":"B","primary_mood":"calm"},
  {"station_id":"c","station_name":"C","stream_url":"http://r.example/c","mood_ids":["sleep"],"primary_mood":"sleep","active":true}]})";
    std::ofstream(dir / "bad.json") << R"({"stations":[]})";
    const StationRepository repo(dir / "stations.json");
    EXPECT_FALSE(repo.loadError());
    EXPECT_EQ(repo.stations().size(), 3U);
    const auto active = repo.active();
    ASSERT_EQ(active.size(), 2U);
    EXPECT_EQ(active[0].id, "a");
    EXPECT_EQ(active[1].id, "c");

    const std::pair<std::optional<fs::path>, std::string_view> fallbacks[] = {
        {dir / "absent.json", kCatalogueMissing},
        {std::nullopt, kCatalogueMissing},
        {dir.path(), kCatalogueMissing},
        {dir / "bad.json", kCatalogueCorrupt}};
    for (const auto& [file, message] : fallbacks) {
        const StationRepository fallback(file);
        EXPECT_EQ(fallback.loadError(), std::string(message));
        EXPECT_EQ(fallback.stations(), fallbackStations());
    }
}

// The two copies of the catalogue must not drift apart; the built-in one plays only https.
TEST(StationRepository, ShippedCatalogueIsTheBuiltInListWithHomepages) {
    const StationRepository repo(fs::path(QUILVO_SHIPPED_CATALOGUE));
    ASSERT_FALSE(repo.loadError());
    const auto& builtIn = fallbackStations();
    ASSERT_EQ(repo.stations().size(), builtIn.size());
    for (std::size_t i = 0; i < builtIn.size(); ++i) {
        Station shipped = repo.stations()[i];
        EXPECT_TRUE(shipped.homepage.has_value()) << shipped.id;
        shipped.homepage.reset();
        EXPECT_EQ(shipped, builtIn[i]) << builtIn[i].id;
        EXPECT_TRUE(builtIn[i].active && builtIn[i].moods.contains(builtIn[i].primary));
        EXPECT_EQ(builtIn[i].urlString.rfind("https://", 0), 0U) << builtIn[i].urlString;
    }
}

}  // namespace
}  // namespace quilvo
