// Parses a generated 20 000-station catalogue and prints how long it takes.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "catalogue/station_repository.hpp"

int main() {
    constexpr int kStations = 20000;
    constexpr int kRuns = 15;
    const char* moods[] = {"bright", "calm", "energy", "sleep"};
    std::string doc = "{\"stations\":[";
    for (int i = 0; i < kStations; ++i) {
        const std::string id = "station" + std::to_string(i);
        const char* mood = moods[i % 4];
        doc += (i ? "," : "");
        doc += "{\"station_id\":\"" + id + "\",\"station_name\":\"Station " + std::to_string(i) +
               "\",\"stream_url\":\"https://stream.example.org/" + id +
               "-128-mp3\",\"mood_ids\":[\"" + mood + "\"],\"primary_mood\":\"" + mood +
               "\",\"homepage\":\"https://example.org/" + id +
               "/\",\"source\":\"Example\",\"active\":" + (i % 10 ? "true" : "false") + "}";
    }
    doc += "]}";

    std::vector<double> ms;
    std::size_t count = 0;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const auto stations = quilvo::StationRepository::parse(doc);
        const auto end = std::chrono::steady_clock::now();
        count = stations ? stations->size() : 0;
        ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf(
        "catalogue parse: %zu stations, %.1f MiB, %d runs: median %.1f ms, min %.1f ms, "
        "max %.1f ms\n",
        count, static_cast<double>(doc.size()) / (1024.0 * 1024.0), kRuns, ms[kRuns / 2],
        ms.front(), ms.back());
    return count == kStations ? 0 : 1;
}
