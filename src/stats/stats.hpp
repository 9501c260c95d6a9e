#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
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
// `flush` never block their caller; events tracked while the worker is busy are stored together,
// in one write. The store's lock keeps other processes that share it out of each
// read-modify-write, each upload with its save, and the making of the device key. A store that
// cannot be written leaves the run's events in memory, uploaded as usual, and a batch taken from
// it whose removal could not be saved is not sent again in this run. Destruction keeps what is
// still queued in the store without sending it; an upload under way is waited for (at most
// `kUploadWait`).
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
    bool saveQueue(const std::vector<std::string>& events);

    // Upload.
    void pump(bool force);
    bool post(const std::vector<std::string>& batch);
    bool moreTracked();

    const std::shared_ptr<KeyValueStore> store_;
    const std::shared_ptr<HttpClient> http_;
    const StatsSettings settings_;
    // Tracked and not yet taken by the worker; a pump is queued while it is not empty.
    std::mutex trackedMutex_;
    std::vector<EventFields> tracked_;
    // The rest belongs to the worker.
    std::optional<std::string> deviceKey_;
    // Taken, but waiting for the store's lock to be recorded: the device key is made under it.
    std::vector<EventFields> unrecorded_;
    // Recorded events the store does not hold: another process kept it, or it cannot be written.
    std::vector<std::string> unsaved_;
    // Stored events the endpoint has taken, whose removal from the store could not be saved.
    std::set<std::string> delivered_;
    std::atomic<bool> stopping_ = false;
    std::atomic<bool> flushing_ = false;
    // Last member: its destructor finishes the queued work while everything above still lives.
    SerialQueue queue_;
};

}  // namespace quilvo
