#include "adapters/gstreamer/gst_audio_player.hpp"

namespace quilvo {

GstAudioPlayer::GstAudioPlayer(std::shared_ptr<StreamPipeline> pipeline)
    : pipeline_(std::move(pipeline)) {}

GstAudioPlayer::~GstAudioPlayer() {
    pipeline_->release();
}

void GstAudioPlayer::play() {
    pipeline_->play();
}

void GstAudioPlayer::pause() {
    pipeline_->pause();
}

float GstAudioPlayer::volume() const {
    return pipeline_->volume();
}

void GstAudioPlayer::setVolume(float volume) {
    pipeline_->setVolume(volume);
}

ItemStatus GstAudioPlayer::itemStatus() const {
    return pipeline_->itemStatus();
}

TimeControlStatus GstAudioPlayer::timeControlStatus() const {
    return pipeline_->timeControlStatus();
}

std::optional<std::vector<MetadataItem>> GstAudioPlayer::timedMetadata() const {
    return pipeline_->timedMetadata();
}

std::unique_ptr<Observation> GstAudioPlayer::observeItemStatus(std::function<void()> changed) {
    return pipeline_->itemObservers().add(std::move(changed));
}

std::unique_ptr<Observation> GstAudioPlayer::observeTimedMetadata(std::function<void()> changed) {
    return pipeline_->metadataObservers().add(std::move(changed), true);
}

std::unique_ptr<Observation> GstAudioPlayer::observeTimeControlStatus(
    std::function<void()> changed) {
    return pipeline_->controlObservers().add(std::move(changed));
}

}  // namespace quilvo
