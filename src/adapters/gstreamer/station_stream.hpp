#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "adapters/gstreamer/observer_list.hpp"
#include "adapters/gstreamer/playlist_fetch.hpp"
#include "adapters/gstreamer/stream_pipeline.hpp"
#include "platform/audio_player.hpp"

namespace quilvo {

// Per station URL that answered a playlist: its mirrors and the one that played last, so that
// a reconnect, and any later start, goes there first. Shared by the players of one factory,
// used from any thread.
class MirrorMemory {
  public:
    struct Mirrors {
        std::vector<std::string> entries;
        std::string last;
    };

    std::optional<Mirrors> find(const std::string& station) const;
    void played(const std::string& station, Mirrors mirrors);
    void forget(const std::string& station);

  private:
    mutable std::mutex mutex_;
    std::map<std::string, Mirrors> mirrors_;
};

// A station's stream: the URL itself, or, when it answers a playlist, its entries in order (an
// entry that is a playlist again is resolved once more). Each candidate gets a StreamPipeline
// of its own; one that fails before any audio gives way to the next at once, and the station
// reads failed only when none is left. Statuses, titles and observations are the current
// pipeline's, so that the model sees one player.
class StationStream : public std::enable_shared_from_this<StationStream> {
  public:
    static std::shared_ptr<StationStream> create(const std::string& url,
                                                 std::shared_ptr<MirrorMemory> memory);

    StationStream(const StationStream&) = delete;
    StationStream& operator=(const StationStream&) = delete;

    void play();
    void pause();
    float volume() const;
    void setVolume(float volume);

    ItemStatus itemStatus() const;
    TimeControlStatus timeControlStatus() const;
    std::optional<std::vector<MetadataItem>> timedMetadata() const;

    ObserverList& itemObservers() { return itemObservers_; }
    ObserverList& metadataObservers() { return metadataObservers_; }
    ObserverList& controlObservers() { return controlObservers_; }

    // The owner is gone: callbacks stop, a fetch is cancelled, the pipeline is torn down.
    void release();

  private:
    // Under the command lock: `remember` runs under the state lock, then `tell` on the current
    // pipeline, if any.
    void command(const std::function<void()>& remember,
                 const std::function<void(StreamPipeline&)>& tell);
    struct Candidate {
        std::string url;
        // 0: the station's URL, 1: its playlist's entry, 2: an entry's entry (never fetched).
        int depth = 0;
    };

    StationStream() = default;
    // Each runs on the PipelineWorker.
    void startFront();
    void pipelineSettled(const std::shared_ptr<StreamPipeline>& pipeline);
    void fetched(const Candidate& candidate, const std::optional<FetchedPage>& page);
    bool isCurrent(const StreamPipeline* pipeline) const;

    std::shared_ptr<MirrorMemory> memory_;
    std::string station_;

    // Serialises play, pause, volume and the change of pipeline; never taken in a callback.
    std::mutex commandMutex_;
    mutable std::mutex mutex_;
    bool released_ = false;
    bool wantPlaying_ = false;
    float volume_ = 1.0f;
    ItemStatus item_ = ItemStatus::unknown;
    std::deque<Candidate> candidates_;
    std::vector<std::string> mirrors_;
    std::shared_ptr<StreamPipeline> pipeline_;
    std::vector<std::unique_ptr<Observation>> watches_;
    std::shared_ptr<PlaylistFetch> fetch_;

    ObserverList itemObservers_;
    ObserverList metadataObservers_;
    ObserverList controlObservers_;
};

}  // namespace quilvo
