#include "adapters/gstreamer/gst_audio_player_factory.hpp"

#include <gio/gio.h>
#include <gst/gst.h>

#include <chrono>
#include <mutex>

#include "adapters/gstreamer/gst_audio_player.hpp"
#include "adapters/gstreamer/pipeline_worker.hpp"
#include "adapters/gstreamer/station_stream.hpp"
#include "adapters/gstreamer/stream_pipeline.hpp"

namespace quilvo {

namespace {

// What the start of a typical stream loads: the HTTP source, type finding, the decoding chain
// for MP3, conversion, our gain and the PulseAudio sink.
constexpr const char* kStreamPlugins[] = {
    "coreelements", "playback",     "typefindfunctions", "soup",       "icydemux", "audioparsers",
    "mpg123",       "audioconvert", "audioresample",     "pulseaudio", "volume",
};

// Done while the program idles, so that the first station does not wait for it.
void loadWhatStreamsNeed() {
    for (const char* name : kStreamPlugins) {
        if (GstPlugin* plugin = gst_plugin_load_by_name(name)) {
            gst_object_unref(plugin);
        }
    }
}

// The system's certificate store. The HTTP source reads it before its first connection, plain
// HTTP too, which put some 15 ms of parsing between a station chosen at start-up and its request.
void loadCertificates() {
    if (GTlsDatabase* database = g_tls_backend_get_default_database(g_tls_backend_get_default())) {
        g_object_unref(database);
    }
}

void removeTypeFinders(GstRegistry* registry, const char* plugin) {
    GList* features = gst_registry_get_feature_list_by_plugin(registry, plugin);
    for (GList* item = features; item != nullptr; item = item->next) {
        auto* feature = static_cast<GstPluginFeature*>(item->data);
        if (GST_IS_TYPE_FIND_FACTORY(feature)) {
            gst_registry_remove_feature(registry, feature);
        }
    }
    gst_plugin_feature_list_free(features);
}

// Type finding runs every type finder the registry holds, and loads the plugin of each. Two
// plugins are loaded for nothing else, for formats no station sends (the MP3, AAC, Ogg and
// playlist finders are GStreamer's own):
// - libav, which maps all of libavcodec and libavformat: some 200 ms before the first sound and
//   several MB. Its MP3 decoder ties with mpg123's on rank and wins on its name, too.
// - subparse, for subtitles. Loading it as the first audio arrives also makes playbin build its
//   list of decoders anew: some 5 ms.
// Only this process's registry changes.
void keepTypeFindingToRadio() {
    GstRegistry* registry = gst_registry_get();
    removeTypeFinders(registry, "libav");
    removeTypeFinders(registry, "subparse");
    if (GstPluginFeature* mpg123 = gst_registry_lookup_feature(registry, "mpg123audiodec")) {
        gst_plugin_feature_set_rank(mpg123, GST_RANK_PRIMARY);
        gst_object_unref(mpg123);
    }
}

}  // namespace

void initGStreamer() {
    static std::once_flag once;
    std::call_once(once, [] {
        gst_init(nullptr, nullptr);
        keepTypeFindingToRadio();
    });
}

// The certificates load beside GStreamer's registry and plugins, on a thread of their own: on
// the pipeline worker they would hold up the first station's start.
GstAudioPlayerFactory::GstAudioPlayerFactory()
    : mirrors_(std::make_shared<MirrorMemory>()), certificates_(loadCertificates) {
    initGStreamer();
    PipelineWorker::instance().post(loadWhatStreamsNeed);
}

GstAudioPlayerFactory::~GstAudioPlayerFactory() {
    PipelineWorker::instance().drain(std::chrono::seconds(2));
    // Not left running into the exit, where the TLS library is torn down.
    certificates_.join();
}

void GstAudioPlayerFactory::soundServerNamed(const std::string& name) {
    StreamPipeline::soundServerNamed(name);
}

std::shared_ptr<AudioPlayer> GstAudioPlayerFactory::create(const std::string& url) {
    return std::make_shared<GstAudioPlayer>(StationStream::create(url, mirrors_));
}

}  // namespace quilvo
