#include "app/app_runtime.hpp"

#include "stats/stats.hpp"
#include "stats/stats_environment.hpp"

namespace quilvo {

namespace {

// How long quitting waits for the last upload; an unfinished batch goes out with the next run.
constexpr Seconds kLastUploadWait{2.0};

}  // namespace

std::function<void(const std::string&)> AppRuntime::recordedOnMainThread(
    std::function<void(const std::string&)> handler) {
    if (!handler) {
        return {};
    }
    // The runtime outlives the statistics recorder it owns, so `this` is safe here.
    return [this, handler = std::move(handler)](const std::string& event) {
        loop_.post([handler, event] { handler(event); });
    };
}

AppRuntime::AppRuntime(AppOptions options)
    : media_(std::move(options.quit), listenerVolume_),
      outputDevices_(loop_),
      stats_(makeStatsFromEnvironment(std::make_shared<JsonFileStore>(JsonFileStore::defaultPath()),
                                      std::make_shared<SoupHttpClient>(),
                                      recordedOnMainThread(std::move(options.statRecorded)))) {
    const auto catalogue = options.catalogue ? options.catalogue : shippedCataloguePath();
    model_ = PlayerModel::create(
        PlayerServices{
            loop_, players_, media_, outputDevices_, *stats_, notifications_, {}, &conditions_},
        StationRepository(catalogue));
}

AppRuntime::~AppRuntime() {
    shutdown();
}

void AppRuntime::start() {
    model_->setupRemoteCommands();
    outputDevices_.watchServerName(&GstAudioPlayerFactory::soundServerNamed);
    model_->installOutputDeviceWatcher();
    model_->installSystemConditionWatcher();
    stats_->track("app_open", std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt);
}

void AppRuntime::shutdown() {
    if (shutDown_) {
        return;
    }
    shutDown_ = true;
    model_->shutdown();
    if (auto* stats = dynamic_cast<Stats*>(stats_.get())) {
        stats->waitUntilIdleFor(kLastUploadWait);
    }
}

}  // namespace quilvo
