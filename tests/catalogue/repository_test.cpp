#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "catalogue/station_repository.hpp"

namespace quilvo {
namespace {

namespace fs = std::filesystem;

class TempDir {
  public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "quilvo-cat-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempDir() { fs::remove_all(path_); }
    fs::path write(const std::string& name, const std::string& text) const {
        std::ofstream(path_ / name, std::ios::binary) << text;
        return path_ / name;
    }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

constexpr const char* kOneActiveOneInactive = R"({"stations":[
  {"station_id":"a","station_name":"A","stream_url":"https://r.example/a","mood_ids":["calm"],"primary_mood":"calm","active":true},
  {"station_id":"b","station_name":"B","primary_mood":"calm"},
  {"station_id":"c","station_name":"C","stream_url":"http://r.example/c","mood_ids":["sleep"],"primary_mood":"sleep","active":true}]})";

TEST(StationRepository, UsesAnAcceptedFileAndListsActiveStationsInOrder) {
    TempDir dir;
    const StationRepository repo(dir.write("stations.json", kOneActiveOneInactive));
    EXPECT_FALSE(repo.loadError());
    EXPECT_EQ(repo.stations().size(), 3U);
    const auto active = repo.active();
    ASSERT_EQ(active.size(), 2U);
    EXPECT_EQ(active[0].id, "a");
    EXPECT_EQ(active[1].id, "c");
}

TEST(StationRepository, FallsBackWithTheRightMessage) {
    TempDir dir;
    const StationRepository missing(dir.path() / "absent.json");
    EXPECT_EQ(missing.loadError(), std::string(kCatalogueMissing));
    EXPECT_EQ(missing.stations(), fallbackStations());

    const StationRepository none(std::nullopt);
    EXPECT_EQ(none.loadError(), std::string(kCatalogueMissing));

    const StationRepository directory(dir.path());
    EXPECT_EQ(directory.loadError(), std::string(kCatalogueMissing));

    const StationRepository corrupt(dir.write("bad.json", R"({"stations":[]})"));
    EXPECT_EQ(corrupt.loadError(), std::string(kCatalogueCorrupt));
    EXPECT_EQ(corrupt.stations(), fallbackStations());
}

TEST(StationRepository, BuiltInListHasTwentyFiveHttpsStationsPerMoodAsGiven) {
    const auto& stations = fallbackStations();
    ASSERT_EQ(stations.size(), 25U);
    std::map<Mood, int> perMood;
    for (const Station& s : stations) {
        EXPECT_TRUE(s.active);
        EXPECT_FALSE(s.homepage);
        EXPECT_TRUE(s.moods.contains(s.primary));
        EXPECT_EQ(s.urlString.rfind("https://", 0), 0U) << s.urlString;
        for (Mood m : s.moods) {
            ++perMood[m];
        }
    }
    EXPECT_EQ(perMood[Mood::bright], 9);
    EXPECT_EQ(perMood[Mood::calm], 8);
    EXPECT_EQ(perMood[Mood::energy], 6);
    EXPECT_EQ(perMood[Mood::sleep], 4);
    EXPECT_EQ(stations[6].urlString, "https://stream.srg-ssr.ch/m/rsc_de/mp3_128");
}

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
    }
}

}  // namespace
}  // namespace quilvo
