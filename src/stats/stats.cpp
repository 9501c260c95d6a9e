#include "stats/stats.hpp"

#include <utility>

namespace quilvo {

Stats::Stats(std::shared_ptr<KeyValueStore> store, std::shared_ptr<HttpClient> http,
             StatsSettings settings)
    : store_(std::move(store)),
      http_(std::move(http)),
      settings_(std::move(settings)),
      queue_("quilvo.stats") {}

Stats::~Stats() {
    // From here on queued work only stores, and only if the store is free at once; the next run
    // sends it. An upload under way ends now: its batch is still in the store.
    stopping_ = true;
    store_->stopWaiting();
    http_->abort();
}

void Stats::track(const std::string& type, const std::optional<std::string>& mood,
                  const std::optional<std::string>& stationId, std::optional<bool> ok,
                  std::optional<std::int64_t> ms, std::optional<double> minutes) {
    // Only the time is taken here; the id and the device key, which may need the store, are
    // added on the worker.
    EventFields fields{type, mood, stationId, ok, ms, minutes, settings_.now()};
    bool pumpQueued = false;
    {
        std::lock_guard lock(trackedMutex_);
        pumpQueued = !tracked_.empty();
        tracked_.push_back(std::move(fields));
    }
    // Events tracked while the worker is busy go into the store together, in one write.
    if (!pumpQueued) {
        queue_.async([this] { pump(false); });
    }
}

bool Stats::moreTracked() {
    std::lock_guard lock(trackedMutex_);
    return !tracked_.empty();
}

void Stats::waitUntilIdle() {
    queue_.waitUntilIdle();
}

bool Stats::waitUntilIdleFor(Seconds timeout) {
    return queue_.waitUntilIdleFor(std::chrono::ceil<std::chrono::milliseconds>(timeout));
}

std::string Stats::record(const EventFields& fields) {
    std::string event = encode(makeEventRecord(
        fields, EventIdentity{settings_.newUuid(), std::string(kPlatform), settings_.appVersion,
                              settings_.osVersion, deviceKey()}));
    if (settings_.recorded) {
        settings_.recorded(event);
    }
    return event;
}

const std::string& Stats::deviceKey() {
    if (!deviceKey_) {
        std::optional<std::string> stored = store_->text(std::string(kKeyDevice));
        if (!stored || stored->empty()) {
            stored = settings_.newUuid();
            // Kept for the run even where it cannot be stored.
            store_->setText(std::string(kKeyDevice), *stored);
        }
        deviceKey_ = std::move(stored);
    }
    return *deviceKey_;
}

std::vector<std::string> Stats::loadQueue() {
    return store_->textList(std::string(kKeyQueue)).value_or(std::vector<std::string>{});
}

bool Stats::saveQueue(const std::vector<std::string>& events) {
    return store_->setTextList(std::string(kKeyQueue), events);
}

}  // namespace quilvo
