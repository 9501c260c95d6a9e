#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/http_client.hpp"
#include "platform/key_value_store.hpp"
#include "platform/stats_recorder.hpp"

namespace quilvo {

// What the environment says about statistics: DO_NOT_TRACK (any value but empty, "0" or
// "false") turns them off; QUILVO_STATS_ENDPOINT replaces the product's endpoint.
struct StatsEnvironment {
    bool enabled = true;
    std::string endpoint;
};

StatsEnvironment readStatsEnvironment();

// The application's recorder: a `Stats` over `store` and `http`, or, when the environment turns
// statistics off, one that records, stores and sends nothing.
// `recorded`, when given, is called on the statistics thread with each recorded event.
std::unique_ptr<StatsRecorder> makeStatsFromEnvironment(
    std::shared_ptr<KeyValueStore> store, std::shared_ptr<HttpClient> http,
    std::function<void(const std::string&)> recorded = {});

}  // namespace quilvo
