#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "catalogue/station_repository.hpp"
#include "app/check_catalogue.hpp"

namespace quilvo {
namespace {

namespace fs = std::filesystem;

TEST(CheckCatalogue, ListsStationsAsTabSeparatedLinesInCatalogueOrder) {
    const fs::path file = fs::temp_directory_path() / "quilvo-check-test.json";
    std::ofstream(file) << R"({"stations":[
      {"station_id":"two","station_name":"T","stream_url":"https://r.example/2","mood_ids":["sleep","bright"],"primary_mood":"sleep","active":true},
      {"station_id":"off\u001b[2J","station_name":"O","primary_mood":"calm","active":false}]})";
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(checkCatalogue(file, out, err), 0);
    EXPECT_EQ(out.str(),
              "two\tactive\tsleep\tbright,sleep\thttps://r.example/2\n"
              "off[2J\tinactive\tcalm\t\t\n");
    EXPECT_EQ(err.str(), "");
    fs::remove(file);
}

TEST(CheckCatalogue, FallbackPrintsTheMessageAndTheBuiltInStations) {
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(checkCatalogue("/nonexistent/stations.json", out, err), 1);
    EXPECT_EQ(err.str(), std::string(kCatalogueMissing) + "\n");
    const std::string text = out.str();
    std::istringstream lines(text);
    std::string first;
    std::getline(lines, first);
    EXPECT_EQ(first,
              "groovesalad\tactive\tcalm\tcalm\thttps://ice1.somafm.com/groovesalad-128-mp3");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 25);
}

TEST(CheckCatalogue, ExecutableExitsWithTheLoaderVerdict) {
    const std::string good = std::string(QUILVO_CLI) + " --check-catalogue " +
                             QUILVO_SHIPPED_CATALOGUE + " >/dev/null 2>&1";
    EXPECT_EQ(WEXITSTATUS(std::system(good.c_str())), 0);
    const std::string bad =
        std::string(QUILVO_CLI) + " --check-catalogue /nonexistent.json >/dev/null 2>&1";
    EXPECT_EQ(WEXITSTATUS(std::system(bad.c_str())), 1);
}

}  // namespace
}  // namespace quilvo
