// Prints what statistics cost: `track` on the caller's thread, and one pump (load, save,
// upload, save) over a full queue of 200 events with the file store and with a store in memory.
// Usage: stats_bench [directory for the state file]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "adapters/store/json_file_store.hpp"
#include "stats/stats.hpp"
#include "support/memory_store.hpp"

namespace {

using namespace quilvo;
using Clock = std::chrono::steady_clock;

// Answers at once, so only our own work is measured.
class InstantHttpClient : public HttpClient {
  public:
    std::optional<int> post(const HttpRequest&, Seconds) override { return 204; }
    void abort() override {}
};

double micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

void printFigures(const char* what, std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) {
        return samples[static_cast<std::size_t>(q * (samples.size() - 1))];
    };
    std::printf("%-44s median %9.2f us  p90 %9.2f us  p99 %9.2f us  max %9.2f us  (n=%zu)\n", what,
                at(0.5), at(0.9), at(0.99), samples.back(), samples.size());
}

void benchTrack(const std::shared_ptr<KeyValueStore>& store, const char* what) {
    Stats stats(store, std::make_shared<InstantHttpClient>());
    std::vector<double> samples;
    for (int round = 0; round < 20; ++round) {
        for (int i = 0; i < 100; ++i) {
            const auto start = Clock::now();
            stats.track("station_start", "calm", "fip", true, 850, {});
            samples.push_back(micros(Clock::now() - start));
        }
        stats.waitUntilIdle();
    }
    printFigures(what, samples);
}

void benchPump(const std::shared_ptr<KeyValueStore>& store, const char* what) {
    Stats stats(store, std::make_shared<InstantHttpClient>());
    stats.track("station_start", "calm", "fip", true, 850, {});
    stats.waitUntilIdle();
    const std::vector<std::string> full(Stats::kMaxQueue,
                                        store->textList("quilvo.stats.queue")->at(0));
    std::vector<double> samples;
    for (int i = 0; i < 50; ++i) {
        store->setTextList("quilvo.stats.queue", full);
        const auto start = Clock::now();
        stats.flush();
        stats.waitUntilIdle();
        samples.push_back(micros(Clock::now() - start));
    }
    printFigures(what, samples);
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path base =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
    const std::filesystem::path dir = base / ("quilvo-stats-bench-" + std::to_string(::getpid()));
    const auto file = [&](const char* name) { return std::make_shared<JsonFileStore>(dir / name); };
    std::printf("state files in %s\n", dir.c_str());

    benchTrack(std::make_shared<testing::MemoryStore>(), "track, caller's thread (memory store)");
    benchTrack(file("track.json"), "track, caller's thread (file store)");
    benchPump(std::make_shared<testing::MemoryStore>(), "pump over 200 events (memory store)");
    benchPump(file("pump.json"), "pump over 200 events (file store)");

    std::filesystem::remove_all(dir);
    return 0;
}
