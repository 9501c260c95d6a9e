#include "adapters/gstreamer/stream_pipeline.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "adapters/gstreamer/leading_silence.hpp"
#include "adapters/gstreamer/pipeline_worker.hpp"

namespace quilvo {

namespace {

// playbin's GST_PLAY_FLAG_AUDIO alone: no video or subtitles. Our gain is a volume element of
// our own, and playbin's `volume` is never set: it is the sound server's stream volume, which
// belongs to the listener.
constexpr guint kPlayAudioOnly = 1u << 1;
// A read that waits longer than this ends the stream. It must outlast the watchdog's 8 s connect
// timeout and 10 s stall window: a source error before any audio reads as a failed station, and
// would cut a stall's reconnects short.
constexpr guint kSourceTimeoutSeconds = 15;
// The gain is applied right before the sink, so it is heard a sink buffer later: with 20 ms of
// buffer a pause reaches PulseAudio's monitor within 20-25 ms in 10 ms segments (40-45 ms in
// 5 ms ones, and as long with 40 ms of buffer). PipeWire's pulse server sizes its cycle after
// the segment: 10 ms segments took 50-60 ms there, 5 ms ones 30-35 ms. Each segment wakes the
// sink, so the shorter one, the safe choice until the server is known, costs CPU.
constexpr gint64 kSinkBufferMicroseconds = 20'000;
constexpr gint64 kShortSegmentMicroseconds = 5'000;
constexpr gint64 kLongSegmentMicroseconds = 10'000;
std::atomic<gint64> sinkSegmentMicroseconds{kShortSegmentMicroseconds};

// At a gain of exactly 0 the volume element marks its buffers as gaps, which the sink does not
// pace: a station served faster than real time (a file) would run through, unheard, to its end
// while it fades in from silence. -80 dB is silence to the ear and keeps every buffer played.
constexpr double kSilentGain = 1e-4;

std::int64_t steadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

constexpr std::int64_t kStallAfterNs =
    std::chrono::duration_cast<std::chrono::nanoseconds>(StreamPipeline::kStallAfter).count();

bool hasProperty(GstElement* element, const char* name) {
    return g_object_class_find_property(G_OBJECT_GET_CLASS(element), name) != nullptr;
}

// The segment is set as the stream's format arrives, just before the sink opens its stream on
// the server: a station chosen at start-up asks before the server's name is known, but its first
// audio comes after.
GstPadProbeReturn onPulseCaps(GstPad* pad, GstPadProbeInfo* info, gpointer) {
    if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_CAPS) {
        g_object_set(GST_PAD_PARENT(pad), "latency-time", sinkSegmentMicroseconds.load(), nullptr);
    }
    return GST_PAD_PROBE_OK;
}

GstElement* makeAudioSink() {
    if (GstElement* pulse = gst_element_factory_make("pulsesink", nullptr)) {
        GstStructure* props =
            gst_structure_new("props", "media.role", G_TYPE_STRING, "music", nullptr);
        // Named and tagged as music in the desktop's sound settings.
        g_object_set(pulse, "client-name", "Quilvo", "stream-properties", props, "buffer-time",
                     kSinkBufferMicroseconds, nullptr);
        gst_structure_free(props);
        if (GstPad* pad = gst_element_get_static_pad(pulse, "sink")) {
            gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, onPulseCaps, nullptr,
                              nullptr);
            gst_object_unref(pad);
        }
        return pulse;
    }
    return gst_element_factory_make("autoaudiosink", nullptr);
}

}  // namespace

void StreamPipeline::soundServerNamed(std::string_view name) {
    const bool pipeWire = name.find("PipeWire") != std::string_view::npos;
    sinkSegmentMicroseconds = pipeWire ? kShortSegmentMicroseconds : kLongSegmentMicroseconds;
}

std::shared_ptr<StreamPipeline> StreamPipeline::create(const std::string& url) {
    std::shared_ptr<StreamPipeline> self(new StreamPipeline());
    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    if (playbin == nullptr) {
        return self;
    }
    self->playbin_ = GST_ELEMENT(gst_object_ref_sink(playbin));
    if (GstElement* sink = makeAudioSink()) {
        // Render audio as it arrives instead of against the clock: after the stream runs dry
        // the late data is played, not dropped, so a stream that comes back is heard again.
        if (hasProperty(sink, "sync")) {
            g_object_set(sink, "sync", FALSE, nullptr);
        }
        // Every buffer the sink takes is audio flowing. The pipeline outlives its pads' probes:
        // shutdown() stops the streaming threads before the last reference goes.
        if (GstPad* pad = gst_element_get_static_pad(sink, "sink")) {
            gst_pad_add_probe(pad,
                              static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                           GST_PAD_PROBE_TYPE_BUFFER_LIST),
                              onSinkBuffer, self.get(), nullptr);
            gst_object_unref(pad);
        }
        // Our gain sits right before the sink, behind playbin's queue of decoded audio, so that a
        // change is heard one sink buffer later. Silent until the first volume is set.
        if (GstElement* gain = gst_element_factory_make("volume", nullptr)) {
            self->gain_ = GST_ELEMENT(gst_object_ref(gain));
            g_object_set(gain, "volume", kSilentGain, nullptr);
            GstElement* output = gst_bin_new("output");
            gst_bin_add_many(GST_BIN(output), gain, sink, nullptr);
            gst_element_link(gain, sink);
            GstPad* input = gst_element_get_static_pad(gain, "sink");
            cutLeadingSilence(input);
            gst_element_add_pad(output, gst_ghost_pad_new("sink", input));
            gst_object_unref(input);
            sink = output;
        }
        g_object_set(self->playbin_, "audio-sink", sink, nullptr);
    }
    g_object_set(self->playbin_, "uri", url.c_str(), "flags", kPlayAudioOnly, nullptr);
    g_signal_connect(self->playbin_, "source-setup", G_CALLBACK(onSourceSetup), nullptr);
    g_signal_connect(self->playbin_, "deep-element-added", G_CALLBACK(onElementAdded), self.get());
    GstBus* bus = gst_element_get_bus(self->playbin_);
    gst_bus_set_sync_handler(bus, onBusMessage, self.get(), nullptr);
    gst_object_unref(bus);
    return self;
}

void StreamPipeline::onSourceSetup(GstElement*, GstElement* source, gpointer) {
    // Fail fast instead of hiding a dead server behind the source's own retries.
    if (hasProperty(source, "timeout")) {
        g_object_set(source, "timeout", kSourceTimeoutSeconds, nullptr);
    }
    if (hasProperty(source, "retries")) {
        g_object_set(source, "retries", 0, nullptr);
    }
}

void StreamPipeline::onElementAdded(GstBin*, GstBin*, GstElement* element, gpointer self) {
    // ICY titles are read off the raw stream ahead of the demuxer, which loses their bytes.
    GstElementFactory* factory = gst_element_get_factory(element);
    GstPad* pad = gst_element_get_static_pad(element, "sink");
    if (factory != nullptr && pad != nullptr &&
        g_strcmp0(GST_OBJECT_NAME(factory), "icydemux") == 0) {
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, onIcyBuffer,
                          &static_cast<StreamPipeline*>(self)->icyTitles_, nullptr);
    }
    if (pad != nullptr) {
        gst_object_unref(pad);
    }
}

GstPadProbeReturn StreamPipeline::onIcyBuffer(GstPad*, GstPadProbeInfo* info, gpointer titles) {
    static_cast<IcyTitles*>(titles)->scan(GST_PAD_PROBE_INFO_BUFFER(info));
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn StreamPipeline::onSinkBuffer(GstPad*, GstPadProbeInfo*, gpointer data) {
    auto* self = static_cast<StreamPipeline*>(data);
    const std::int64_t now = steadyNanoseconds();
    const std::int64_t previous = self->lastBuffer_.exchange(now);
    const bool afterGap = now - previous >= kStallAfterNs;
    if (afterGap || !self->flowing_) {
        self->handleAudio(afterGap);
    }
    return GST_PAD_PROBE_OK;
}

GstBusSyncReply StreamPipeline::onBusMessage(GstBus*, GstMessage* message, gpointer self) {
    static_cast<StreamPipeline*>(self)->handleMessage(message);
    // Dropping a message hands its reference to the handler.
    gst_message_unref(message);
    return GST_BUS_DROP;
}

void StreamPipeline::handleMessage(GstMessage* message) {
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_ERROR:
        case GST_MESSAGE_EOS:
            handleEnd();
            // An ended pipeline is dead. Take it down now: its sink holds pulsesink's
            // process-wide connection to the sound server, and a new sink would otherwise reuse
            // that connection after the server went away.
            PipelineWorker::instance().post([weak = weak_from_this()] {
                if (auto self = weak.lock(); self && !self->released_) {
                    gst_element_set_state(self->playbin_, GST_STATE_NULL);
                }
            });
            break;
        case GST_MESSAGE_ASYNC_DONE:
            if (GST_MESSAGE_SRC(message) == GST_OBJECT(playbin_)) {
                handlePrerolled();
            }
            break;
        case GST_MESSAGE_TAG:
            handleTags(message);
            break;
        default:
            break;
    }
}

void StreamPipeline::handleEnd() {
    Changes changes;
    {
        std::lock_guard lock(mutex_);
        // Before any audio the stream could not be opened; after it, it has stalled for good.
        if (item_ == ItemStatus::unknown) {
            item_ = ItemStatus::failed;
            changes.item = true;
        }
        ended_ = true;
        if (wantPlaying_) {
            setControl(TimeControlStatus::waitingToPlay, changes);
        }
    }
    publish(changes);
}

void StreamPipeline::handlePrerolled() {
    Changes changes;
    {
        std::lock_guard lock(mutex_);
        if (item_ == ItemStatus::unknown && !ended_) {
            item_ = ItemStatus::readyToPlay;
            changes.item = true;
            // The buffer that prerolled the sink plays as soon as the pipeline does.
            if (wantPlaying_ && lastBuffer_ != 0) {
                setControl(TimeControlStatus::playing, changes);
            }
        }
    }
    publish(changes);
}

void StreamPipeline::handleAudio(bool afterGap) {
    Changes changes;
    {
        std::lock_guard lock(mutex_);
        // Ready comes first: the sink takes its first buffer before the pipeline has prerolled.
        if (!wantPlaying_ || ended_ || item_ != ItemStatus::readyToPlay) {
            return;
        }
        // After a gap the status had read waiting: its observers hear that it plays again.
        changes.control = afterGap;
        setControl(TimeControlStatus::playing, changes);
    }
    publish(changes);
}

bool StreamPipeline::stalled() const {
    return steadyNanoseconds() - lastBuffer_ >= kStallAfterNs;
}

void StreamPipeline::handleTags(GstMessage* message) {
    // Only the sink's tags: they arrive in step with the audio being played.
    GstObject* source = GST_MESSAGE_SRC(message);
    if (!GST_IS_ELEMENT(source) || GST_IS_BIN(source) ||
        !GST_OBJECT_FLAG_IS_SET(source, GST_ELEMENT_FLAG_SINK)) {
        return;
    }
    GstTagList* tags = nullptr;
    gst_message_parse_tag(message, &tags);
    std::vector<MetadataItem> items;
    auto take = [&](const char* tag, std::string_view key) {
        gchar* value = nullptr;
        if (gst_tag_list_get_string(tags, tag, &value)) {
            items.push_back({icyTitles_.readable(value).value_or(value), std::string(key)});
            g_free(value);
        }
    };
    take(GST_TAG_TITLE, kCommonKeyTitle);
    take(GST_TAG_ARTIST, kCommonKeyArtist);
    gst_tag_list_unref(tags);
    if (items.empty()) {
        return;
    }
    Changes changes;
    {
        std::lock_guard lock(mutex_);
        if (metadata_ != items) {
            metadata_ = std::move(items);
            changes.metadata = true;
        }
    }
    publish(changes);
}

void StreamPipeline::play() {
    Changes changes;
    {
        std::lock_guard lock(mutex_);
        if (wantPlaying_) {
            return;
        }
        wantPlaying_ = true;
        setControl(TimeControlStatus::waitingToPlay, changes);
        if (playbin_ == nullptr && item_ == ItemStatus::unknown) {
            item_ = ItemStatus::failed;
            changes.item = true;
        }
    }
    applyVolume();
    postState(GST_STATE_PLAYING);
    publish(changes);
}

void StreamPipeline::pause() {
    Changes changes;
    {
        std::lock_guard lock(mutex_);
        if (!wantPlaying_) {
            return;
        }
        wantPlaying_ = false;
        setControl(TimeControlStatus::paused, changes);
    }
    applyVolume();
    postState(GST_STATE_PAUSED);
    publish(changes);
}

void StreamPipeline::postState(GstState state) {
    {
        std::lock_guard lock(mutex_);
        // An ended pipeline stays down: starting it again would reopen the stream.
        if (playbin_ == nullptr || ended_) {
            return;
        }
    }
    PipelineWorker::instance().post([self = shared_from_this(), state] {
        if (!self->released_) {
            gst_element_set_state(self->playbin_, state);
        }
    });
}

float StreamPipeline::volume() const {
    std::lock_guard lock(mutex_);
    return volume_;
}

void StreamPipeline::setVolume(float volume) {
    {
        std::lock_guard lock(mutex_);
        volume_ = std::isnan(volume) ? 0.0f : std::clamp(volume, 0.0f, 1.0f);
    }
    applyVolume();
}

void StreamPipeline::applyVolume() {
    if (gain_ == nullptr) {
        return;
    }
    // Never called with mutex_ held: the sink may post messages while holding its own locks.
    std::lock_guard apply(volumeMutex_);
    double effective = 0.0;
    {
        std::lock_guard lock(mutex_);
        // Silent while paused, so a fade that ends with pause() and then restores the volume
        // is not heard before the pause reaches the sink.
        effective = wantPlaying_ ? volume_ : 0.0;
    }
    g_object_set(gain_, "volume", std::max(effective, kSilentGain), nullptr);
}

ItemStatus StreamPipeline::itemStatus() const {
    std::lock_guard lock(mutex_);
    return item_;
}

TimeControlStatus StreamPipeline::timeControlStatus() const {
    std::lock_guard lock(mutex_);
    // Read when asked rather than watched: the next buffer reports playing again.
    if (control_ == TimeControlStatus::playing && stalled()) {
        return TimeControlStatus::waitingToPlay;
    }
    return control_;
}

std::optional<std::vector<MetadataItem>> StreamPipeline::timedMetadata() const {
    std::lock_guard lock(mutex_);
    return metadata_;
}

void StreamPipeline::release() {
    released_ = true;
    itemObservers_.close();
    metadataObservers_.close();
    controlObservers_.close();
    if (playbin_ != nullptr) {
        PipelineWorker::instance().post([self = shared_from_this()] { self->shutdown(); });
    }
}

void StreamPipeline::shutdown() {
    gst_element_set_state(playbin_, GST_STATE_NULL);
    GstBus* bus = gst_element_get_bus(playbin_);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(playbin_);
    playbin_ = nullptr;
}

StreamPipeline::~StreamPipeline() {
    if (gain_ != nullptr) {
        gst_object_unref(gain_);
    }
}

void StreamPipeline::setControl(TimeControlStatus status, Changes& changes) {
    if (control_ != status) {
        control_ = status;
        changes.control = true;
    }
    flowing_ = status == TimeControlStatus::playing;
}

void StreamPipeline::publish(const Changes& changes) {
    if (changes.item) {
        itemObservers_.notify();
    }
    if (changes.metadata) {
        metadataObservers_.notify();
    }
    if (changes.control) {
        controlObservers_.notify();
    }
}

}  // namespace quilvo
