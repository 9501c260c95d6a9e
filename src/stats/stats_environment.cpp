#include "stats/stats_environment.hpp"

#include <cstdlib>
#include <string_view>

#include "stats/stats.hpp"

namespace quilvo {

namespace {

class DisabledStats : public StatsRecorder {
  public:
    void track(const std::string&, const std::optional<std::string>&,
               const std::optional<std::string>&, std::optional<bool>, std::optional<std::int64_t>,
               std::optional<double>) override {}
    void flush() override {}
};

std::string_view variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

StatsEnvironment readStatsEnvironment() {
    const std::string_view doNotTrack = variable("DO_NOT_TRACK");
    const std::string_view endpoint = variable("QUILVO_STATS_ENDPOINT");
    return StatsEnvironment{
        doNotTrack.empty() || doNotTrack == "0" || doNotTrack == "false",
        std::string(endpoint.empty() ? kStatsEndpoint : endpoint),
    };
}

std::unique_ptr<StatsRecorder> makeStatsFromEnvironment(
    std::shared_ptr<KeyValueStore> store, std::shared_ptr<HttpClient> http,
    std::function<void(const std::string&)> recorded) {
    StatsEnvironment environment = readStatsEnvironment();
    if (!environment.enabled) {
        return std::make_unique<DisabledStats>();
    }
    StatsSettings settings;
    settings.endpoint = std::move(environment.endpoint);
    settings.recorded = std::move(recorded);
    return std::make_unique<Stats>(std::move(store), std::move(http), std::move(settings));
}

}  // namespace quilvo
