#include "adapters/gstreamer/gst_audio_player_factory.hpp"

#include <gst/gst.h>

#include <chrono>
#include <mutex>

#include "adapters/gstreamer/gst_audio_player.hpp"
#include "adapters/gstreamer/pipeline_worker.hpp"
#include "adapters/gstreamer/stream_pipeline.hpp"

namespace quilvo {

void initGStreamer() {
    static std::once_flag once;
    std::call_once(once, [] { gst_init(nullptr, nullptr); });
}

GstAudioPlayerFactory::GstAudioPlayerFactory() {
    initGStreamer();
}

GstAudioPlayerFactory::~GstAudioPlayerFactory() {
    PipelineWorker::instance().drain(std::chrono::seconds(2));
}

std::shared_ptr<AudioPlayer> GstAudioPlayerFactory::create(const std::string& url) {
    return std::make_shared<GstAudioPlayer>(StreamPipeline::create(url));
}

}  // namespace quilvo
