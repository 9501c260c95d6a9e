#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.hpp"
#include "platform/http_client.hpp"
#include "platform/key_value_store.hpp"
#include "platform/stats_recorder.hpp"
#include "quilvo_version.hpp"
#include "stats/event_record.hpp"
#include "stats/os_version.hpp"
#include "stats/serial_queue.hpp"
#include "stats/uuid.hpp"

namespace quilvo {

inline constexpr std::string_view kStatsEndpoint = "https://quilvo.app/api/event";

// Where events go and what identifies them. Tests replace the clock and the id source.
struct StatsSettings {
    std::string endpoint{kStatsEndpoint};
    std::string appVersion = *kAppVersion != '\0' ? kAppVersion : "0.0.0";
    std::string osVersion = runningOsVersion();
    // Called on the tracking thread.
    std::function<WallInstant()> now = [] { return std::chrono::system_clock::now(); };
    // Called on the statistics thread only.
    std::function<std::string()> newUuid = randomUuid;
    // Called on the statistics thread with each event as it is recorded.
    std::function<void(const std::string&)> recorded;
};

// Anonymous usage events, kept in the store until the endpoint has taken them in batches of
// ten. Every store access and upload runs in order on one worker thread, so `track` and
// `flush` never block their caller; the store's lock keeps other processes that share it out of
// each read-modify-write and each upload with its save. Destruction keeps what is still queued in
// the store without sending it; an upload under way is waited for (at most `kUploadWait`).
class Stats : public StatsRecorder {
  public:
    static constexpr std::size_t kMaxQueue = 200;
    static constexpr std::size_t kBatchSize = 10;
    static constexpr std::string_view kPlatform = "Linux";
    static constexpr std::string_view kKeyDevice = "quilvo.stats.device";
    static constexpr std::string_view kKeyQueue = "quilvo.stats.queue";
    static constexpr Seconds kRequestTimeout{10.0};
    static constexpr Seconds kUploadWait{12.0};

    Stats(std::shared_ptr<KeyValueStore> store, std::shared_ptr<HttpClient> http,
          StatsSettings settings = {});
    ~Stats() override;

    void track(const std::string& type, const std::optional<std::string>& mood,
               const std::optional<std::string>& stationId, std::optional<bool> ok,
               std::optional<std::int64_t> ms, std::optional<double> minutes) override;
    void flush() override;

    // Blocks until the work submitted so far has run, uploads included.
    void waitUntilIdle();
    // The same, giving up after `timeout`; true when everything had run.
    bool waitUntilIdleFor(Seconds timeout);

  private:
    // Records and queue.
    std::string record(const EventFields& fields);
    const std::string& deviceKey();
    std::vector<std::string> loadQueue();
    void saveQueue(const std::vector<std::string>& events);

    // Upload.
    void pump(bool force, std::optional<std::string> extra);
    bool post(const std::vector<std::string>& batch);

    const std::shared_ptr<KeyValueStore> store_;
    const std::shared_ptr<HttpClient> http_;
    const StatsSettings settings_;
    std::optional<std::string> deviceKey_;
    // Recorded events not yet in the store, because another process held it too long.
    std::vector<std::string> unsaved_;
    std::atomic<bool> stopping_ = false;
    // Last member: its destructor finishes the queued work while everything above still lives.
    SerialQueue queue_;
};

}  // namespace quilvo
