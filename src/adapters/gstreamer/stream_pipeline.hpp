#pragma once

#include <gst/gst.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "adapters/gstreamer/icy_titles.hpp"
#include "adapters/gstreamer/observer_list.hpp"
#include "platform/audio_player.hpp"

namespace quilvo {

// One playbin for one stream URL and the statuses derived from it. Bus messages and buffers
// reaching the sink are handled on the thread that carries them; state changes and teardown
// run on the PipelineWorker. Nothing polls: a stall is read off the time of the last buffer.
class StreamPipeline : public std::enable_shared_from_this<StreamPipeline> {
  public:
    static std::shared_ptr<StreamPipeline> create(const std::string& url);
    // Pipelines created from now on fit their sink's timing to the sound server of this name.
    static void soundServerNamed(std::string_view name);

    ~StreamPipeline();
    StreamPipeline(const StreamPipeline&) = delete;
    StreamPipeline& operator=(const StreamPipeline&) = delete;

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

    // The owner is gone: callbacks stop and the pipeline is torn down on the worker.
    void release();

    // Audio that has not reached the sink for this long has run dry.
    static constexpr std::chrono::milliseconds kStallAfter{400};

  private:
    struct Changes {
        bool item = false;
        bool control = false;
        bool metadata = false;
    };

    StreamPipeline() = default;
    static GstBusSyncReply onBusMessage(GstBus* bus, GstMessage* message, gpointer self);
    static void onSourceSetup(GstElement* playbin, GstElement* source, gpointer data);
    static void onElementAdded(GstBin* playbin, GstBin* bin, GstElement* element, gpointer self);
    static GstPadProbeReturn onIcyBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer titles);
    static GstPadProbeReturn onSinkBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer self);

    void handleMessage(GstMessage* message);
    void handleEnd();
    void handlePrerolled();
    void handleTags(GstMessage* message);
    void handleAudio(bool afterGap);
    bool stalled() const;
    void postState(GstState state);
    void applyVolume();
    void shutdown();
    void setControl(TimeControlStatus status, Changes& changes);
    void publish(const Changes& changes);

    GstElement* playbin_ = nullptr;
    // Our own gain inside the pipeline, so fades never touch the sound server's stream volume.
    GstElement* gain_ = nullptr;
    std::atomic<bool> released_ = false;
    IcyTitles icyTitles_;

    mutable std::mutex mutex_;
    bool wantPlaying_ = false;
    bool ended_ = false;
    ItemStatus item_ = ItemStatus::unknown;
    TimeControlStatus control_ = TimeControlStatus::paused;
    std::optional<std::vector<MetadataItem>> metadata_;
    float volume_ = 1.0f;

    // When the last buffer reached the sink (steady clock, ns; 0 before the first), and whether
    // control_ reads playing: the streaming thread takes mutex_ only when either news changes.
    std::atomic<std::int64_t> lastBuffer_ = 0;
    std::atomic<bool> flowing_ = false;

    // Serialises volume writes to the pipeline; never taken on a streaming thread.
    std::mutex volumeMutex_;

    ObserverList itemObservers_;
    ObserverList metadataObservers_;
    ObserverList controlObservers_;
};

}  // namespace quilvo
