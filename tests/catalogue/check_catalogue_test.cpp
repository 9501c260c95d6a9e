#include "app/check_catalogue.hpp"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

#include "catalogue/station_repository.hpp"
#include "support/temp_dir.hpp"

namespace quilvo {
namespace {

TEST(CheckCatalogue, ListsStationsAsTabSeparatedLinesInCatalogueOrder) {
    const testing::TempDir dir;
    std::ofstream(dir / "s.json") << R"({"stations":[
      {"station_id":"two","station_name":"T","stream_url":"https://r.example/2","mood_ids":["sleep","bright"],"primary_mood":"sleep","active":true},
      {"station_id":"off\u001b[2J","station_name":"O","primary_mood":"calm","active":false}]})";
    std::ostringstream out, err;
    EXPECT_EQ(checkCatalogue(dir / "s.json", out, err), 0);
    EXPECT_EQ(out.str(),
              "two\tactive\tsleep\tbright,sleep\thttps://r.example/2\n"
              "off[2J\tinactive\tcalm\t\t\n");
    EXPECT_EQ(err.str(), "");

    std::ostringstream fallbackOut, fallbackErr;
    EXPECT_EQ(checkCatalogue("/nonexistent/stations.json", fallbackOut, fallbackErr), 1);
    EXPECT_EQ(fallbackErr.str(), std::string(kCatalogueMissing) + "\n");
    const std::string text = fallbackOut.str();
    EXPECT_EQ(text.substr(0, text.find('\n')),
              "groovesalad\tactive\tcalm\tcalm\thttps://ice1.somafm.com/groovesalad-128-mp3");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 25);
}

// A catalogue it accepts gives 0: every lab test checks its own catalogue so.
TEST(CheckCatalogue, ExecutableExitsWithTheLoaderVerdict) {
    const std::string command = std::string(QUILVO_CLI) + " --check-catalogue /nonexistent.json";
    EXPECT_EQ(WEXITSTATUS(std::system((command + " >/dev/null 2>&1").c_str())), 1);
}

}  // namespace
}  // namespace quilvo
