// Tracks as many events as the first argument says, flushes and waits for the uploads, wired as
// the application wires statistics (state under XDG_STATE_HOME, QUILVO_STATS_ENDPOINT). The
// upload tests kill it in the middle of an upload and run it again.
#include <cstdlib>
#include <memory>

#include "adapters/curl/curl_http_client.hpp"
#include "adapters/store/json_file_store.hpp"
#include "stats/stats.hpp"
#include "stats/stats_environment.hpp"

int main(int argc, char** argv) {
    using namespace quilvo;
    const int count = argc > 1 ? std::atoi(argv[1]) : 0;
    StatsSettings settings;
    settings.endpoint = readStatsEnvironment().endpoint;
    Stats stats(std::make_shared<JsonFileStore>(JsonFileStore::defaultPath()),
                std::make_shared<CurlHttpClient>(), settings);
    for (int i = 0; i < count; ++i) {
        stats.track("app_open", {}, {}, {}, i, {});
    }
    stats.flush();
    stats.waitUntilIdle();
    return 0;
}
