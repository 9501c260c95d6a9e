#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/check_catalogue.hpp"
#include "catalogue/station_repository.hpp"
#include "support/temp_dir.hpp"

namespace quilvo {
namespace {

namespace fs = std::filesystem;

// The repository a file gives, and the lines `--check-catalogue` lists for it.
TEST(StationRepository, UsesAnAcceptedFileOrFallsBackWithTheRightMessage) {
    const testing::TempDir dir;
    std::ofstream(dir / "stations.json") << R"({"stations":[
  {"station_id":"a","station_name":"A","stream_url":"https://r.example/a","mood_ids":["sleep","bright"],"primary_mood":"sleep","active":true},
  {"station_id":"b\u001b[2J","station_name":"B","primary_mood":"calm"},
  {"station_id":"c","station_name":"C","stream_url":"http://r.example/c","mood_ids":["calm"],"primary_mood":"calm","active":true}]})";
    std::ofstream(dir / "bad.json") << R"({"stations":[]})";
    fs::copy_file(dir / "stations.json", dir / "huge.json");
    {
        // Valid, but padded past the size refused.
        std::ofstream huge(dir / "huge.json", std::ios::app);
        const std::string spaces(1 << 20, ' ');
        for (std::uintmax_t i = 0; i <= kMaxCatalogueBytes >> 20; ++i) {
            huge << spaces;
        }
    }
    const StationRepository repo(dir / "stations.json");
    EXPECT_FALSE(repo.loadError());
    // b is calm but inactive.
    EXPECT_EQ(repo.activeIndices(Mood::calm), std::vector<std::size_t>{2});
    EXPECT_EQ(repo.activeIndices(Mood::bright), std::vector<std::size_t>{0});
    std::ostringstream out, err;
    EXPECT_EQ(checkCatalogue(dir / "stations.json", out, err), 0);
    EXPECT_EQ(out.str(),
              "a\tactive\tsleep\tbright,sleep\thttps://r.example/a\n"
              "b[2J\tinactive\tcalm\t\t\n"
              "c\tactive\tcalm\tcalm\thttp://r.example/c\n");
    EXPECT_EQ(err.str(), "");

    const std::pair<std::optional<fs::path>, std::string_view> fallbacks[] = {
        {dir / "absent.json", kCatalogueMissing},
        {std::nullopt, kCatalogueMissing},
        {dir.path(), kCatalogueMissing},
        {dir / "bad.json", kCatalogueCorrupt},
        {dir / "huge.json", kCatalogueCorrupt}};
    for (const auto& [file, message] : fallbacks) {
        const StationRepository fallback(file);
        EXPECT_EQ(fallback.loadError(), std::string(message));
        ASSERT_EQ(fallback.stations().size(), fallbackStations().size());
        for (std::size_t i = 0; i < fallbackStations().size(); ++i) {
            EXPECT_EQ(fallback.stations()[i], fallbackStations()[i]);
        }
    }
    std::ostringstream fallbackOut, fallbackErr;
    EXPECT_EQ(checkCatalogue(dir / "absent.json", fallbackOut, fallbackErr), 1);
    EXPECT_EQ(fallbackErr.str(), std::string(kCatalogueMissing) + "\n");
    EXPECT_EQ(fallbackOut.str().substr(0, fallbackOut.str().find('\n')),
              "groovesalad\tactive\tcalm\tcalm\thttps://ice1.somafm.com/groovesalad-128-mp3");
    // The program passes the verdict on; that it gives 0 for a good file, every lab test checks.
    const std::string command = std::string(QUILVO_CLI) + " --check-catalogue /nonexistent.json";
    EXPECT_EQ(WEXITSTATUS(std::system((command + " >/dev/null 2>&1").c_str())), 1);
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
